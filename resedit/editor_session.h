// One open resource file as the editor holds it: the records read from the
// ".RES", the symbol table of its include file, the project kept beside it
// (".TVR"), the dialog being edited with its undo history, and what is
// unsaved.
//
// Invariant: current, when set, is the index of a dialog record of file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "resedit/editor_settings.h"
#include "resedit/model.h"
#include "resedit/res_file.h"
#include "resedit/script_writer.h"
#include "resedit/string_table.h"
#include "resedit/symbols.h"

namespace vyn::resedit {

class EditorSession {
public:
    const std::string& res_path() const { return res_path_; }
    const std::string& include_path() const { return include_path_; }
    const ResFile& file() const { return file_; }
    const SymbolTable& symbols() const { return symbols_; }
    const Project& project() const { return project_; }
    bool res_modified() const { return res_modified_; }
    bool include_modified() const { return include_modified_; }

    // Indices of the dialog records, in file order.
    std::vector<std::size_t> dialog_records() const;
    std::optional<std::size_t> current() const { return current_; }
    const Dialog* dialog() const;

    // Offers to save unsaved changes with "Save changes to resource file
    // %s?" and "Save changes to include file %s?"; a yes saves that file.
    // False when a save failed (the caller then keeps the file open).
    bool offer_to_save(Ui& ui);

    // Opens path after offer_to_save; with exactly one dialog that dialog is
    // edited at once. On failure the previous file stays loaded.
    bool open(const std::string& path, Ui& ui);
    // An empty resource file named path (not written until saved).
    void create(const std::string& path);
    // Writes the resource file, the include file, the resource script
    // (".DLG") and the project file (".TVR") beside it.
    bool save(Ui& ui, BaseUnits units = {});
    bool save_as(const std::string& path, Ui& ui, BaseUnits units = {});
    // Writes the generated C, include and callbacks files of the project.
    bool generate(Ui& ui);

    void select_dialog(std::size_t record);
    // A new dialog record with a free id; it becomes the edited one.
    std::size_t add_dialog(const std::string& name, long font_style = 0);
    // A prepared dialog as a new record; it becomes the edited one.
    std::size_t add_dialog(const Dialog& dialog);
    // The first dialog id from 100 above every dialog of the file.
    std::uint16_t free_dialog_id() const;
    bool delete_dialog();

    // The default styles of new controls: a file opened or made without a
    // project file takes default_styles (the editor's setting); the open
    // project's own are changed with set_control_styles.
    void set_default_styles(std::uint32_t styles) { default_styles_ = styles; }
    void set_control_styles(std::uint32_t styles) { project_.control_styles = styles; }

    // Every change to the edited dialog goes through change(): the dialog
    // before the change is kept for undo and the file becomes modified.
    Dialog* begin_change();
    bool undo();
    // Back to the dialog as it was when it was selected ("Restart").
    bool restart();

    // Symbols: adds or removes through the table, marking the include file changed.
    bool add_symbol(const std::string& name, long value, Ui& ui);
    bool remove_symbol(const std::string& name);
    void set_include_path(const std::string& path);

    // The string tables of the file; setting them rewrites their records.
    StringTable strings() const { return read_string_table(file_); }
    void set_strings(const StringTable& table);

    // The menu of a menu record, and its change; without a record the menu
    // becomes a new record with a free number. The record's index.
    std::optional<Menu> menu(std::size_t record) const;
    std::size_t set_menu(std::optional<std::size_t> record, const Menu& menu);

    // The project record of the edited dialog / a control in it (callback
    // names, prefixes), created when missing. The project's records are
    // rebuilt from the resource file on every call (and on saving), so the
    // reference lasts only until the next one.
    Dialog& project_dialog();
    void mark_modified() { res_modified_ = true; }

    // A control of the edited dialog takes a new number: its project record
    // (callback, notifications, links to it) follows, and its id symbol
    // becomes the new number's. Called before the resource's control changes.
    void renumber_control(std::uint16_t from, std::uint16_t kind, std::uint16_t to);

    // The edited dialog's name: its project record's, else for a dialog
    // named by number the symbol of that number; empty when it has none.
    std::string dialog_name();
    // Names the edited dialog: its project record, its resource (a record
    // named by text is renamed; one named by number keeps its number) and the
    // symbol of its number, which the resource script and the code use. A
    // blank or empty name, or one that another symbol's number holds, is
    // refused with the editor's message.
    bool rename_dialog(const std::string& name, Ui& ui);

private:
    std::string sibling(const char* extension) const;
    std::string beside(const std::string& name) const;
    void load_beside(Ui& ui);
    void sync_project();
    // Back to a session without a file, keeping the default styles.
    void reset();
    void rename_dialog_symbol(const std::string& from, const std::string& to, std::uint16_t id, Ui& ui);

    std::string res_path_, include_path_;
    ResFile file_;
    SymbolTable symbols_;
    Project project_;
    std::optional<std::size_t> current_;
    std::vector<Dialog> undo_;
    std::optional<Dialog> selected_state_;
    bool res_modified_ = false, include_modified_ = false;
    std::uint32_t default_styles_ = kDefaultControlStyles;
};

// path with its extension (after the last dot of its last component)
// replaced by extension, which includes the dot.
std::string replace_extension(const std::string& path, const char* extension);
// The directory part of path, without the final separator; "." when none.
std::string directory_of(const std::string& path);
// The base name of path without directory and extension.
std::string stem_of(const std::string& path);

}  // namespace vyn::resedit
