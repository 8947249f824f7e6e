#include "resedit/editor_session.h"

#include <algorithm>

#include "common/byte_writer.h"
#include "common/strings.h"
#include "platform/files.h"
#include "resedit/codegen.h"
#include "resedit/dialog_editing.h"
#include "resedit/menu_editing.h"
#include "resedit/project_merge.h"
#include "resedit/tvr_file.h"

namespace vyn::resedit {

namespace {

std::size_t last_separator_end(const std::string& path)
{
    std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? 0 : slash + 1;
}

bool absolute(const std::string& path)
{
    return !path.empty() && (path[0] == '\\' || path[0] == '/' || (path.size() > 1 && path[1] == ':'));
}

// A fresh dialog record, named by its number.
ResRecord dialog_record(const Dialog& dialog)
{
    ResRecord rec = ordinal_record(kResTypeDialog, dialog.id, 0x1030, 0x409, {});
    set_record_dialog(rec, dialog);
    return rec;
}

}  // namespace

std::string replace_extension(const std::string& path, const char* extension)
{
    std::size_t start = last_separator_end(path);
    std::size_t dot = path.find_last_of('.');
    std::string base = dot == std::string::npos || dot < start ? path : path.substr(0, dot);
    return base + extension;
}

std::string directory_of(const std::string& path)
{
    std::size_t end = last_separator_end(path);
    return end == 0 ? std::string(".") : path.substr(0, end - 1);
}

std::string stem_of(const std::string& path)
{
    std::string name = path.substr(last_separator_end(path));
    std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::vector<std::size_t> EditorSession::dialog_records() const
{
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < file_.records.size(); ++i)
        if (file_.records[i].dialog)
            out.push_back(i);
    return out;
}

const Dialog* EditorSession::dialog() const
{
    return current_ ? &*file_.records[*current_].dialog : nullptr;
}

std::string EditorSession::sibling(const char* extension) const { return replace_extension(res_path_, extension); }

bool EditorSession::offer_to_save(Ui& ui)
{
    if (res_modified_ && ui.ask(format("Save changes to resource file %s?", res_path_.c_str()))) {
        if (!save(ui))
            return false;
    }
    if (include_modified_ && !include_path_.empty() &&
        ui.ask(format("Save changes to include file %s?", include_path_.c_str()))) {
        if (!platform::write_file_atomically(include_path_, [&] {
                std::string text = symbols_.include_text();
                return std::vector<std::uint8_t>(text.begin(), text.end());
            }())) {
            ui.message(format("Impossible to open %s", include_path_.c_str()));
            return false;
        }
        include_modified_ = false;
    }
    return true;
}

bool EditorSession::open(const std::string& path, Ui& ui)
{
    if (!offer_to_save(ui))
        return false;
    ResFile loaded;
    if (!load_res(path, loaded, ui))
        return false;
    reset();
    res_path_ = path;
    file_ = std::move(loaded);
    load_beside(ui);
    auto dialogs = dialog_records();
    if (dialogs.size() == 1)
        select_dialog(dialogs.front());
    return true;
}

void EditorSession::reset()
{
    std::uint32_t defaults = default_styles_;
    *this = EditorSession();
    default_styles_ = defaults;
    project_.control_styles = defaults;
}

void EditorSession::create(const std::string& path)
{
    reset();
    res_path_ = path;
    project_.name = stem_of(path);
    project_.directory = directory_of(path);
    include_path_ = beside(stem_of(path) + "ids.h");
}

std::string EditorSession::beside(const std::string& name) const
{
    std::size_t end = last_separator_end(res_path_);
    return end == 0 ? name : res_path_.substr(0, end) + name;
}

// The include file named by the resource file (relative to its directory),
// else "<name>ids.h" beside it; and the project file beside it when it exists.
void EditorSession::load_beside(Ui& ui)
{
    std::string include = file_.include_file;
    if (include.empty())
        include = stem_of(res_path_) + "ids.h";
    include_path_ = absolute(include) ? include : beside(include);
    std::string text;
    if (platform::read_whole_file(include_path_, text))
        symbols_ = SymbolTable::from_include(text, ui);
    project_.name = stem_of(res_path_);
    project_.directory = directory_of(res_path_);
    std::string tvr = sibling(".TVR");
    if (platform::file_exists(tvr)) {
        Project loaded;
        if (load_project(tvr, loaded, ui))
            project_ = std::move(loaded);
    }
    sync_project();
}

void EditorSession::sync_project()
{
    attach_resources(project_, file_);
    for (Dialog& d : project_.dialogs)
        for (Control& c : d.controls)
            if (const Symbol* s = symbols_.find_value(c.id); s && c.symbol.empty())
                c.symbol = s->name;
    project_.resource_file = res_path_.substr(last_separator_end(res_path_));
    if (!include_path_.empty())
        project_.include_file = include_path_.substr(last_separator_end(include_path_));
}

bool EditorSession::save(Ui& ui, BaseUnits units)
{
    if (!include_path_.empty())
        file_.include_file = include_path_.substr(last_separator_end(include_path_));
    for (ResRecord& rec : file_.records)
        if (rec.dialog)
            set_record_dialog(rec, *rec.dialog);
    if (!save_res(res_path_, file_, ui))
        return false;
    res_modified_ = false;
    // The include file is rewritten only for a change of its own: its lines
    // that are no symbols would be lost otherwise.
    if (!include_path_.empty() && include_modified_) {
        std::string text = symbols_.include_text();
        if (!platform::write_file_atomically(include_path_, std::vector<std::uint8_t>(text.begin(), text.end()))) {
            ui.message(format("Impossible to open %s", include_path_.c_str()));
            return false;
        }
        include_modified_ = false;
    }
    std::string script = resource_script(file_, symbols_, units);
    std::string dlg = sibling(".DLG");
    if (!platform::write_file_atomically(dlg, std::vector<std::uint8_t>(script.begin(), script.end()))) {
        ui.message(format("Impossible to open %s", dlg.c_str()));
        return false;
    }
    sync_project();
    return save_project(sibling(".TVR"), project_, false, ui);
}

bool EditorSession::save_as(const std::string& path, Ui& ui, BaseUnits units)
{
    res_path_ = path;
    project_.name = stem_of(path);
    project_.directory = directory_of(path);
    return save(ui, units);
}

bool EditorSession::generate(Ui& ui)
{
    sync_project();
    return write_generated_code(project_, project_.directory, ui);
}

void EditorSession::select_dialog(std::size_t record)
{
    if (record >= file_.records.size() || !file_.records[record].dialog)
        return;
    current_ = record;
    undo_.clear();
    selected_state_ = *file_.records[record].dialog;
}

std::uint16_t EditorSession::free_dialog_id() const
{
    std::uint16_t id = 100;
    for (std::size_t i : dialog_records())
        id = std::max<std::uint16_t>(id, std::uint16_t(file_.records[i].dialog->id + 1));
    return id;
}

std::size_t EditorSession::add_dialog(const std::string& name, long font_style)
{
    return add_dialog(new_dialog(free_dialog_id(), name, font_style));
}

std::size_t EditorSession::add_dialog(const Dialog& d)
{
    file_.records.push_back(dialog_record(d));
    res_modified_ = true;
    select_dialog(file_.records.size() - 1);
    return file_.records.size() - 1;
}

bool EditorSession::delete_dialog()
{
    if (!current_)
        return false;
    file_.records.erase(file_.records.begin() + std::ptrdiff_t(*current_));
    current_.reset();
    undo_.clear();
    res_modified_ = true;
    return true;
}

Dialog* EditorSession::begin_change()
{
    if (!current_)
        return nullptr;
    Dialog& d = *file_.records[*current_].dialog;
    undo_.push_back(d);
    res_modified_ = true;
    return &d;
}

bool EditorSession::undo()
{
    if (!current_ || undo_.empty())
        return false;
    file_.records[*current_].dialog = undo_.back();
    undo_.pop_back();
    res_modified_ = true;
    return true;
}

bool EditorSession::restart()
{
    if (!current_ || !selected_state_)
        return false;
    Dialog* d = begin_change();
    *d = *selected_state_;
    return true;
}

bool EditorSession::add_symbol(const std::string& name, long value, Ui& ui)
{
    if (!symbols_.add(name, value, ui))
        return false;
    include_modified_ = true;
    return true;
}

bool EditorSession::remove_symbol(const std::string& name)
{
    if (!symbols_.remove(name))
        return false;
    include_modified_ = true;
    return true;
}

void EditorSession::set_include_path(const std::string& path)
{
    include_path_ = path;
    include_modified_ = true;
    res_modified_ = true;
}

void EditorSession::set_strings(const StringTable& table)
{
    if (table == strings())
        return;
    // Records may move: the edited dialog is found again as the same k-th dialog.
    std::optional<std::size_t> nth;
    if (current_) {
        auto dialogs = dialog_records();
        nth = std::size_t(std::find(dialogs.begin(), dialogs.end(), *current_) - dialogs.begin());
    }
    write_string_table(file_, table);
    if (nth)
        current_ = dialog_records()[*nth];
    res_modified_ = true;
}

std::optional<Menu> EditorSession::menu(std::size_t record) const
{
    if (record >= file_.records.size() || file_.records[record].type != NameOrId{true, kResTypeMenu, {}})
        return std::nullopt;
    return parse_menu(file_.records[record].data());
}

std::size_t EditorSession::set_menu(std::optional<std::size_t> record, const Menu& menu)
{
    std::vector<std::uint8_t> data = write_menu(menu);
    res_modified_ = true;
    if (record && *record < file_.records.size()) {
        set_record_data(file_.records[*record], data);
        return *record;
    }
    file_.records.push_back(ordinal_record(kResTypeMenu, free_menu_name(file_), 0x1030, 0x409, data));
    return file_.records.size() - 1;
}

Dialog& EditorSession::project_dialog()
{
    sync_project();
    // The project's records start with one per dialog record, in file order.
    auto records = dialog_records();
    auto at = std::find(records.begin(), records.end(), current_.value_or(file_.records.size()));
    if (at != records.end())
        return project_.dialogs[std::size_t(at - records.begin())];
    project_.dialogs.push_back(Dialog{});
    return project_.dialogs.back();
}

void EditorSession::renumber_control(std::uint16_t from, std::uint16_t kind, std::uint16_t to)
{
    if (!current_ || from == to)
        return;
    Dialog& pd = project_dialog();
    for (Control& c : pd.controls) {
        if (c.id == from && c.kind == kind) {
            c.id = to;
            c.symbol.clear();
        }
        std::replace(c.links.begin(), c.links.end(), from, to);
    }
    res_modified_ = true;
}

std::string EditorSession::dialog_name()
{
    if (!current_)
        return {};
    const Dialog& pd = project_dialog();
    if (!pd.name.empty())
        return pd.name;
    const Symbol* shown = symbols_.find_value(pd.id);
    return shown && file_.records[*current_].name.is_ordinal ? shown->name : std::string();
}

bool EditorSession::rename_dialog(const std::string& name, Ui& ui)
{
    if (!current_)
        return false;
    std::string old = dialog_name();
    if (name == old)
        return true;
    if (auto refusal = check_dialog_name(name)) {
        ui.message(*refusal);
        return false;
    }
    Dialog& pd = project_dialog();
    std::uint16_t id = pd.id;
    if (const Symbol* taken = symbols_.find_name(name); taken && taken->value != id) {
        ui.message("This symbol already exists in the include (.H) file.");
        return false;
    }
    pd.name = name;
    ResRecord& rec = file_.records[*current_];
    bool numbered = rec.name.is_ordinal;
    if (!numbered)
        rename_record(rec, name);
    // The name travels with the dialog through undo and restart.
    rec.dialog->name = name;
    for (Dialog& earlier : undo_)
        earlier.name = name;
    if (selected_state_)
        selected_state_->name = name;
    if (numbered)
        rename_dialog_symbol(old, name, id, ui);
    res_modified_ = true;
    return true;
}

// The symbol of the dialog's number follows its name; a number without a
// symbol gets one.
void EditorSession::rename_dialog_symbol(const std::string& from, const std::string& to, std::uint16_t id, Ui& ui)
{
    if (symbols_.find_name(to))
        return;
    const Symbol* mine = symbols_.find_value(id);
    if (mine && mine->name != from)
        return;
    if (mine)
        remove_symbol(from);
    add_symbol(to, id, ui);
}

}  // namespace vyn::resedit
