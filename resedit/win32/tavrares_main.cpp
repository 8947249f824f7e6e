// Start-up of the resource editor: settings, command line, the frame, the
// file to open, the message loop; at exit the settings that changed.
#include "resedit/win32/app.h"

#include <windows.h>

#include <vector>

#include "platform/files.h"
#include "platform/process.h"
#include "resedit/command_line.h"
#include "resedit/editor_commands.h"

namespace vyn::resedit::win32 {

App& app()
{
    static App state;
    return state;
}

namespace {

// A box belongs to the editor's dialog that is open, if any: owned by the
// frame under a modal dialog it would hand the focus back to the frame and
// enable it while that dialog still runs.
HWND box_owner()
{
    HWND popup = app().frame ? GetLastActivePopup(app().frame) : nullptr;
    return popup && IsWindowEnabled(popup) ? popup : app().frame;
}

}  // namespace

void BoxUi::message(const std::string& text)
{
    MessageBoxA(box_owner(), text.c_str(), kTitle, MB_OK | MB_ICONEXCLAMATION);
}

bool BoxUi::ask(const std::string& question)
{
    return MessageBoxA(box_owner(), question.c_str(), kTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

BoxUi& ui()
{
    static BoxUi box;
    return box;
}

namespace {

// The accelerator table made from the editor's shortcut table.
HACCEL make_accelerators()
{
    std::vector<ACCEL> table;
    for (const Shortcut& s : shortcuts()) {
        BYTE flags = FVIRTKEY;
        if (s.modifiers & kShift)
            flags |= FSHIFT;
        if (s.modifiers & kCtrl)
            flags |= FCONTROL;
        if (s.modifiers & kAlt)
            flags |= FALT;
        table.push_back({flags, WORD(s.key), WORD(s.command)});
    }
    return CreateAcceleratorTableA(table.data(), int(table.size()));
}

std::vector<std::string> arguments()
{
    std::vector<std::string> args = vyn::platform::split_command_line(GetCommandLineA());
    if (!args.empty())
        args.erase(args.begin());
    return args;
}

int message_loop()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(app().frame, app().accelerators, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return int(msg.wParam);
}

}  // namespace

}  // namespace vyn::resedit::win32

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    using namespace vyn::resedit;
    using namespace vyn::resedit::win32;
    App& a = app();
    a.instance = instance;
    a.executable = vyn::platform::executable_path();
    a.registry = vyn::platform::open_registry();
    a.store = std::make_unique<SettingsStore>(*a.registry);
    a.settings = a.store->read();
    a.session.set_default_styles(std::uint32_t(a.settings[kControlStyles]));

    std::string error;
    auto line = parse_command_line(arguments(), error);
    if (!register_view_support() || !register_frame_class(instance))
        return 1;
    a.accelerators = make_accelerators();
    if (!create_frame(show))
        return 1;
    load_remembered_dlls();
    if (!line) {
        ui().message(error);
    } else {
        std::string file = line->resource_file;
        if (file.empty() && line->wizard)
            if (const std::string* dir = line->wizard_option("dir"))
                if (const std::string* name = line->wizard_option("name"))
                    file = *dir + "\\" + *name + ".RES";
        if (!file.empty()) {
            if (vyn::platform::file_exists(file)) {
                open_resource_file(file);
            } else {
                a.session.create(file);
                update_title_and_status();
            }
        }
    }
    return message_loop();
}
