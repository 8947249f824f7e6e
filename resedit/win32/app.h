// The editor's one global state and the functions the window files share.
#pragma once

// The model's names for template and menu bits (DS_SETFONT, MF_GRAYED...)
// are declared before <windows.h> turns the same names into macros.
#include "resedit/dialog_template.h"
#include "resedit/menu.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "resedit/custom_dlls.h"
#include "resedit/dialog_editing.h"
#include "resedit/editor_session.h"
#include "resedit/editor_settings.h"

namespace vyn::resedit::win32 {

inline constexpr char kFrameClass[] = "clTavraresFrame";
inline constexpr char kTitle[] = "Tavrares";

struct App {
    HINSTANCE instance = nullptr;
    HWND frame = nullptr;
    HWND palette = nullptr;     // the row of control buttons
    HWND status = nullptr;      // status bar
    HWND view = nullptr;        // the live dialog being edited
    HACCEL accelerators = nullptr;
    std::unique_ptr<vyn::platform::Registry> registry;
    std::unique_ptr<SettingsStore> store;
    EditorSettings settings;
    EditorSession session;
    Selection selection;
    std::optional<std::size_t> anchor;  // the control selected first: Arrange's reference
    std::optional<std::uint16_t> pending_kind;  // palette choice waiting for a click
    std::string executable;
    std::optional<CustomClass> pending_custom;  // the class of a pending custom control
    int zoom = 100;  // display scale of the view, percent
};

App& app();

// Messages and questions in boxes owned by the frame.
struct BoxUi : Ui {
    void message(const std::string& text) override;
    bool ask(const std::string& question) override;
};
BoxUi& ui();

// The frame (frame_window.cpp).
bool register_frame_class(HINSTANCE instance);
HWND create_frame(int show);
void update_title_and_status();
void layout_frame();

// The Arrange menu's picture items (arrange_pictures.cpp): made owner-drawn
// once, then measured and drawn for the frame.
void make_arrange_pictures(HMENU menu);
bool measure_arrange_item(MEASUREITEMSTRUCT& item);
bool draw_arrange_item(const DRAWITEMSTRUCT& item);

// The live dialog (dialog_view.cpp).
bool register_view_support();
void rebuild_view();
void destroy_view();
// The view's mapping from dialog units to pixels.
RECT dialog_units_to_pixels(const Rect& r);

// Commands (commands.cpp): every menu item, shortcut and palette button.
void run_command(int command);
void handle_arrow_key(UINT key);
bool open_resource_file(const std::string& path);
// The settings as the edited project sees them: new controls take the
// project's own default styles.
EditorSettings editing_settings();
// Changes to the edited dialog: the state before goes to the undo history.
Dialog* change_dialog();
void after_change();

// The whole text of a dialog's item.
std::string item_text(HWND dialog, int id);

// The dialogs of the editor (editor_dialogs.cpp, configuration_dialog.cpp).
void symbols_dialog();
void callbacks_dialog();
void configuration_dialog();
void styles_dialog();
void hierarchy_dialog();
std::optional<std::size_t> select_dialog_dialog();
// One line of lines chosen in a list under title.
std::optional<std::size_t> choose_one(const std::string& title, const std::vector<std::string>& lines);
std::optional<std::string> dialog_name_dialog();
void string_table_dialog();
void menu_dialog(std::optional<std::size_t> record);
void select_menu();
void group_dialog();
void directories_dialog();
// Makes directory the working one (asking first when ask), kept in the settings;
// "Impossible to change directory" when it cannot be.
bool change_working_directory(const std::string& directory, bool ask);
std::optional<std::string> choose_file(bool save, const char* filter, const char* extension,
                                       const std::string& directory = {});

// Custom control libraries (custom_dll_commands.cpp).
void load_remembered_dlls();
void open_dll_command();
void delete_dll_command();
void choose_custom_class();

}  // namespace vyn::resedit::win32
