/* A custom control library for the editor's tests: one class, "TestGauge",
 * registered while the library is loaded and described through
 * CustomControlInfoA. */
#include <windows.h>
#include <custcntl.h>
#include <string.h>

static HINSTANCE module_instance;

static LRESULT CALLBACK gauge_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcA(window, message, wparam, lparam);
}

__declspec(dllexport) UINT CALLBACK CustomControlInfoA(LPCCINFOA info)
{
    if (info) {
        memset(info, 0, sizeof *info);
        strcpy(info->szClass, "TestGauge");
        strcpy(info->szDesc, "Gauge for tests");
        strcpy(info->szTextDefault, "50");
        info->cxDefault = 60;
        info->cyDefault = 16;
        info->flStyleDefault = WS_BORDER;
    }
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        WNDCLASSA wc;
        memset(&wc, 0, sizeof wc);
        wc.style = CS_GLOBALCLASS;
        wc.lpfnWndProc = gauge_procedure;
        wc.hInstance = instance;
        wc.hbrBackground = (HBRUSH)(COLOR_HIGHLIGHT + 1);
        wc.lpszClassName = "TestGauge";
        module_instance = instance;
        return RegisterClassA(&wc) != 0;
    }
    if (reason == DLL_PROCESS_DETACH)
        UnregisterClassA("TestGauge", module_instance);
    return TRUE;
}
