// plugsetup: the installer's modal dialog. The window procedure only
// dispatches; finding the host folder and installing live in the portable
// core (host_folder.h, installer.h).
#include "plugins/setup/host_folder.h"
#include "plugins/setup/installer.h"
#include "plugins/setup/plugin_table.h"
#include "plugins/setup/win32/plugsetup_ids.h"
#include "platform/registry.h"

#include <windows.h>

#include <string>

namespace {

using namespace vyn::setup;

// What the dialog keeps between messages.
struct SetupState {
    std::string host_folder;  // with its trailing backslash; empty when no host is registered
};

class MessageBoxUi : public InstallerUi {
public:
    explicit MessageBoxUi(HWND owner) : owner_(owner) {}
    void tell(const std::string& text, bool error) override
    {
        MessageBoxA(owner_, text.c_str(), kInstallCaption, MB_OK | (error ? MB_ICONERROR : 0));
    }

private:
    HWND owner_;
};

SetupState& state_of(HWND dialog)
{
    return *reinterpret_cast<SetupState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

INT_PTR on_init(HWND dialog, SetupState& state)
{
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
    if (auto registry = vyn::platform::open_registry())
        state.host_folder = find_host_folder(*registry);
    Ticks present = present_plugins(state.host_folder);
    for (std::size_t i = 0; i < kPluginTable.size(); ++i)
        CheckDlgButton(dialog, kPluginTable[i].check_box, present[i] ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void on_install_remove(HWND dialog)
{
    Ticks ticked{};
    for (std::size_t i = 0; i < kPluginTable.size(); ++i)
        ticked[i] = IsDlgButtonChecked(dialog, kPluginTable[i].check_box) == BST_CHECKED;
    MessageBoxUi ui(dialog);
    if (install_remove(state_of(dialog).host_folder, ticked, "", ui) == InstallOutcome::Completed)
        EndDialog(dialog, 0);
}

INT_PTR on_command(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK:
        on_install_remove(dialog);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, -1);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        return on_init(dialog, *reinterpret_cast<SetupState*>(lparam));
    case WM_COMMAND:
        return on_command(dialog, LOWORD(wparam));
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    SetupState state;
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PLUGSETUP), nullptr, dialog_proc,
                                     reinterpret_cast<LPARAM>(&state));
    return static_cast<int>(result);
}
