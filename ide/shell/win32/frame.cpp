#include "ide/shell/win32/frame.h"

namespace tavra {

namespace {

const char kFrameClass[] = "clMDIFrame";
const char kFrameTitle[] = "tavra";

// The MDI client fills the frame; it is the frame's only child for now.
HWND mdi_client = nullptr;

LRESULT on_create(HWND frame, LPARAM lparam)
{
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
    CLIENTCREATESTRUCT client{};
    client.hWindowMenu = nullptr;
    client.idFirstChild = 0xFF00;
    mdi_client = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                 WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0, 0, 0,
                                 0, frame, nullptr, create->hInstance, &client);
    return mdi_client ? 0 : -1;
}

LRESULT on_destroy()
{
    mdi_client = nullptr;
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK frame_procedure(HWND frame, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE: return on_create(frame, lparam);
    case WM_DESTROY: return on_destroy();
    }
    return DefFrameProcA(frame, mdi_client, message, wparam, lparam);
}

}  // namespace

bool register_frame_class(HINSTANCE instance)
{
    WNDCLASSA window_class{};
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = frame_procedure;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    window_class.lpszClassName = kFrameClass;
    return RegisterClassA(&window_class) != 0;
}

HWND create_frame(HINSTANCE instance, int show_command)
{
    HWND frame = CreateWindowExA(0, kFrameClass, kFrameTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                 instance, nullptr);
    if (!frame)
        return nullptr;
    ShowWindow(frame, show_command);
    UpdateWindow(frame);
    return frame;
}

int run_message_loop(HWND frame)
{
    (void)frame;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (mdi_client && TranslateMDISysAccel(mdi_client, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace tavra
