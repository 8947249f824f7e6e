// The IDE's conversations with the user: message boxes, file and directory
// choosers, and the implementations of the portable code's host interfaces.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ide/editor/editor_host.h"
#include "ide/shell/settings_store.h"

namespace vyn::shell {

void tell(const std::string& message);
bool ask_yes_no(const std::string& question);
// A file name chosen in the common dialog; nothing when cancelled.
std::optional<std::string> choose_file(bool for_saving, const std::string& title, const char* filter,
                                       const std::string& initial = {});
std::optional<std::string> choose_directory(const std::string& title);

class Win32EditorHost final : public vyn::editor::EditorHost {
public:
    void tell(const std::string& message) override { vyn::shell::tell(message); }
    bool ask_yes_no(const std::string& question) override { return vyn::shell::ask_yes_no(question); }
    std::optional<std::string> choose_file_to_read() override;
    std::optional<std::string> choose_file_to_write() override;
    std::optional<int> choose_bookmark(const std::vector<std::string>& bookmarks) override;
    std::optional<int> ask_line_number() override;
    void post_command(int command) override;
    void bring_forward(int view_id) override;
    std::optional<vyn::editor::Macro> macro(char letter) override;
    std::string date_text() override;
};

class Win32Clipboard final : public vyn::editor::SystemClipboard {
public:
    void put_text(const std::string& text) override;
    std::optional<std::string> text() override;
};

class Win32SettingsUi final : public SettingsUi {
public:
    void tell(const std::string& message) override { vyn::shell::tell(message); }
    std::optional<std::string> choose_directory(const std::string& title) override
    {
        return vyn::shell::choose_directory(title);
    }
};

}  // namespace vyn::shell
