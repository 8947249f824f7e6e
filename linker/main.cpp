#include "linker/linker.h"

int main(int argc, char** argv)
{
    return vyn::lnk::linker_main(argc, argv);
}
