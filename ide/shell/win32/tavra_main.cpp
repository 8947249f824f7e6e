// tavra: the IDE's entry point.
#include <windows.h>

#include "ide/shell/win32/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int)
{
    return vyn::shell::run_ide(instance, command_line);
}
