#include "kit/wizard/skeleton.h"

#include "common/strings.h"
#include "common/winpath.h"

namespace vyn::wizard {

std::optional<Request> parse_request(const std::vector<std::string>& args, std::string& error)
{
    Request r;
    for (const std::string& arg : args) {
        auto value = [&arg](const char* name) -> std::optional<std::string> {
            std::string prefix = std::string("/") + name + ":";
            if (!starts_with_nocase(arg, prefix))
                return std::nullopt;
            return arg.substr(prefix.size());
        };
        if (auto v = value("tavra"))
            r.ide_window = *v;
        else if (auto v = value("prjname"))
            r.name = *v;
        else if (auto v = value("prjpath"))
            r.path = *v;
        else if (auto v = value("out"))
            r.out = *v;
        else if (equals_nocase(arg, "/dll"))
            r.dll = true;
        else {
            error = format("wizard: unknown argument '%s'", arg.c_str());
            return std::nullopt;
        }
    }
    if (r.name.empty() || r.path.empty() || r.out.empty()) {
        error = "usage: wizard /tavra:<window> /prjname:<name> /prjpath:<directory> /out:<file> [/dll]";
        return std::nullopt;
    }
    if (r.name.find_first_of("\\/:*?\"<>|") != std::string::npos) {
        error = format("wizard: '%s' cannot name a file", r.name.c_str());
        return std::nullopt;
    }
    return r;
}

namespace {

std::string windows_source(const std::string& name)
{
    return format("/* %s: the skeleton of a Windows program. */\r\n"
                  "#include <windows.h>\r\n"
                  "\r\n"
                  "static LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)\r\n"
                  "{\r\n"
                  "    switch (msg) {\r\n"
                  "    case WM_DESTROY:\r\n"
                  "        PostQuitMessage(0);\r\n"
                  "        return 0;\r\n"
                  "    }\r\n"
                  "    return DefWindowProc(hwnd, msg, wParam, lParam);\r\n"
                  "}\r\n"
                  "\r\n"
                  "int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrev, LPSTR lpCmdLine, int nCmdShow)\r\n"
                  "{\r\n"
                  "    WNDCLASS wc = {0};\r\n"
                  "    MSG msg;\r\n"
                  "    HWND hwnd;\r\n"
                  "\r\n"
                  "    wc.lpfnWndProc = MainWndProc;\r\n"
                  "    wc.hInstance = hInstance;\r\n"
                  "    wc.hCursor = LoadCursor(NULL, IDC_ARROW);\r\n"
                  "    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);\r\n"
                  "    wc.lpszMenuName = \"MAINMENU\";\r\n"
                  "    wc.lpszClassName = \"%sWndClass\";\r\n"
                  "    if (!RegisterClass(&wc))\r\n"
                  "        return 0;\r\n"
                  "    hwnd = CreateWindow(wc.lpszClassName, \"%s\", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,\r\n"
                  "                        CW_USEDEFAULT, 0, NULL, NULL, hInstance, NULL);\r\n"
                  "    ShowWindow(hwnd, nCmdShow);\r\n"
                  "    while (GetMessage(&msg, NULL, 0, 0)) {\r\n"
                  "        TranslateMessage(&msg);\r\n"
                  "        DispatchMessage(&msg);\r\n"
                  "    }\r\n"
                  "    return (int)msg.wParam;\r\n"
                  "}\r\n",
                  name.c_str(), name.c_str(), name.c_str());
}

std::string windows_resources(const std::string& name)
{
    return format("/* %s: the main menu. */\r\n"
                  "#include <windows.h>\r\n"
                  "\r\n"
                  "MAINMENU MENU\r\n"
                  "BEGIN\r\n"
                  "    POPUP \"&File\"\r\n"
                  "    BEGIN\r\n"
                  "        MENUITEM \"E&xit\", 100\r\n"
                  "    END\r\n"
                  "END\r\n",
                  name.c_str());
}

std::string dll_source(const std::string& name)
{
    return format("/* %s: the skeleton of a DLL. */\r\n"
                  "#include <windows.h>\r\n"
                  "\r\n"
                  "BOOL WINAPI LibMain(HINSTANCE hDll, DWORD dwReason, LPVOID lpReserved)\r\n"
                  "{\r\n"
                  "    return TRUE;\r\n"
                  "}\r\n"
                  "\r\n"
                  "int WINAPI %sVersion(void)\r\n"
                  "{\r\n"
                  "    return 1;\r\n"
                  "}\r\n",
                  name.c_str(), name.c_str());
}

std::string dll_definitions(const std::string& name)
{
    return format("LIBRARY %s\r\nEXPORTS\r\n    %sVersion\r\n", name.c_str(), name.c_str());
}

}  // namespace

std::vector<GeneratedFile> skeleton(const Request& r)
{
    std::string base = winpath::join(r.path, r.name);
    if (r.dll)
        return {{base + ".c", dll_source(r.name)}, {base + ".def", dll_definitions(r.name)}};
    return {{base + ".c", windows_source(r.name)}, {base + ".rc", windows_resources(r.name)}};
}

std::string answer_text(const Request& r, const std::vector<GeneratedFile>& files)
{
    return format("Project: %s\nSource: %s\n%s: %s\n", r.name.c_str(), files.at(0).path.c_str(),
                  r.dll ? "Definitions" : "Resources", files.at(1).path.c_str());
}

}  // namespace vyn::wizard
