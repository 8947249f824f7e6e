// vyn: the compiler driver of the kit.
#include "kit/vyn/driver.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    auto host = vyn::cc::make_host();
    return vyn::cc::run_vyn(args, *host);
}
