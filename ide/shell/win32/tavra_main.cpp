// tavra: the IDE's entry point.
#include <windows.h>

#include "ide/shell/win32/frame.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command)
{
    if (!tavra::register_frame_class(instance))
        return 1;
    HWND frame = tavra::create_frame(instance, show_command);
    if (!frame)
        return 1;
    return tavra::run_message_loop(frame);
}
