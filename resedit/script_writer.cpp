#include "resedit/script_writer.h"

#include "common/strings.h"
#include "resedit/dialog_template.h"
#include "resedit/style_names.h"

namespace vyn::resedit {
namespace {

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += "\"\"";
        else if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out + "\"";
}

std::string number(const SymbolTable& symbols, long value)
{
    if (const Symbol* s = symbols.find_value(value))
        return s->name;
    return format("0x%x", static_cast<unsigned>(value));
}

std::string name_or_id(const NameOrId& n, const SymbolTable& symbols)
{
    return n.is_ordinal ? number(symbols, n.ordinal) : n.text;
}

// Statements for controls of the predefined classes, with the style bits the
// script compiler gives them on its own besides WS_CHILD and WS_VISIBLE.
struct Statement {
    std::uint16_t ordinal;
    const char* keyword;
    bool has_text;
    std::uint32_t implied;
};
constexpr std::uint32_t kChildVisible = 0x50000000;
const Statement kStatements[] = {
    {kClassButton, "PUSHBUTTON", true, 0x00010000},   {kClassEdit, "EDITTEXT", false, 0x00810000},
    {kClassStatic, "LTEXT", true, 0x00020000},        {kClassListBox, "LISTBOX", false, 0x00800001},
    {kClassScrollBar, "SCROLLBAR", false, 0x00000000}, {kClassComboBox, "COMBOBOX", false, 0x00000000},
};

// The style argument of a statement whose compiler-given style is implied:
// NOT for the implied bits the control lacks, names for the ones it adds.
std::string style_argument(std::uint32_t style, std::uint32_t implied, const NameOrId& cls)
{
    std::vector<std::string> parts;
    for (std::uint32_t bit = 0x80000000u; bit; bit >>= 1)
        if ((implied & bit) && !(style & bit))
            parts.push_back("NOT " + style_expression(bit, StyleContext::Control, cls));
    std::uint32_t extra = style & ~implied;
    if (extra || parts.empty())
        parts.push_back(style_expression(extra, StyleContext::Control, cls));
    return join(parts, " | ");
}

std::string control_line(const Control& c, bool extended, const SymbolTable& symbols)
{
    std::string id = c.id == 1 && !symbols.find_value(1) ? "IDOK"
                     : c.id == 2 && !symbols.find_value(2) ? "IDCANCEL"
                                                           : number(symbols, c.id);
    if (extended && c.id_high)
        id = format("0x%x", (static_cast<unsigned>(c.id_high) << 16) | c.id);
    std::string text = c.text.is_ordinal ? std::to_string(c.text.ordinal) : quoted(c.text.text);
    const Statement* statement = nullptr;
    if (c.window_class.is_ordinal)
        for (const Statement& s : kStatements)
            if (s.ordinal == c.window_class.ordinal && (s.has_text || c.text.empty()))
                statement = &s;
    std::string line;
    std::string geometry = format("%d, %d, %d, %d", c.x, c.y, c.cx, c.cy);
    if (statement) {
        line = format("    %s ", statement->keyword);
        if (statement->has_text)
            line += text + ", ";
        line += id + ", " + geometry + ", " +
                style_argument(c.style, statement->implied | kChildVisible, c.window_class);
    } else {
        std::string cls = c.window_class.is_ordinal ? format("\"#%d\"", c.window_class.ordinal)
                                                    : quoted(c.window_class.text);
        line = "    CONTROL " + text + ", " + id + ", " + cls + ", " +
               style_argument(c.style, kChildVisible, c.window_class) + ", " + geometry;
    }
    if (c.ex_style || (extended && c.help_id))
        line += ", " + ex_style_expression(c.ex_style);
    if (extended && c.help_id)
        line += format(", %u", c.help_id);
    return line + "\n";
}

}  // namespace

std::string dialog_script(const Dialog& d, const SymbolTable& symbols, BaseUnits units)
{
    Dialog dlg = d;
    if (d.flags & kDialogPixels) {
        auto hx = [&](std::int16_t v) { return static_cast<std::int16_t>(v * 4 / units.x); };
        auto vy = [&](std::int16_t v) { return static_cast<std::int16_t>(v * 8 / units.y); };
        dlg.x = hx(d.x); dlg.cx = hx(d.cx); dlg.y = vy(d.y); dlg.cy = vy(d.cy);
        for (Control& c : dlg.controls) {
            c.x = hx(c.x); c.cx = hx(c.cx); c.y = vy(c.y); c.cy = vy(c.cy);
        }
    }
    std::string name = d.name.empty() ? number(symbols, d.id) : d.name;
    std::string out = format("%s %s %d, %d, %d, %d\n", name.c_str(), dlg.extended ? "DIALOGEX" : "DIALOG", dlg.x,
                             dlg.y, dlg.cx, dlg.cy);
    out += "STYLE " + style_expression(dlg.style, StyleContext::Dialog) + "\n";
    if (dlg.ex_style)
        out += "EXSTYLE " + ex_style_expression(dlg.ex_style) + "\n";
    if (!dlg.caption.empty())
        out += "CAPTION " + quoted(dlg.caption) + "\n";
    if (dlg.style & DS_SETFONT) {
        out += format("FONT %d, ", dlg.point_size) + quoted(dlg.face);
        if (dlg.extended)
            out += format(", %d, %d, %d", dlg.weight, dlg.italic, dlg.charset);
        out += "\n";
    }
    if (!dlg.window_class.empty())
        out += "CLASS " + (dlg.window_class.is_ordinal ? std::to_string(dlg.window_class.ordinal)
                                                       : quoted(dlg.window_class.text)) + "\n";
    if (!dlg.menu.empty())
        out += "MENU " + name_or_id(dlg.menu, symbols) + "\n";
    out += "BEGIN\n";
    for (const Control& c : dlg.controls)
        out += control_line(c, dlg.extended, symbols);
    out += "END\n";
    return out;
}

namespace {

void menu_items(std::string& out, const std::vector<MenuItem>& items, const SymbolTable& symbols, int depth)
{
    std::string indent(static_cast<std::size_t>(depth) * 4, ' ');
    static const struct { std::uint16_t bit; const char* name; } options[] = {
        {MF_CHECKED, "CHECKED"}, {MF_GRAYED, "GRAYED"}, {MF_INACTIVE, "INACTIVE"},
        {MF_MENUBARBREAK, "MENUBARBREAK"}, {MF_MENUBREAK, "MENUBREAK"}};
    for (const MenuItem& item : items) {
        if (item.separator()) {
            out += indent + "MENUITEM SEPARATOR\n";
            continue;
        }
        std::string line = indent + (item.popup ? "POPUP " : "MENUITEM ") + quoted(item.text);
        if (!item.popup)
            line += ", " + number(symbols, item.id);
        for (const auto& o : options)
            if (item.options & o.bit)
                line += std::string(", ") + o.name;
        out += line + "\n";
        if (item.popup) {
            out += indent + "BEGIN\n";
            menu_items(out, item.items, symbols, depth + 1);
            out += indent + "END\n";
        }
    }
}

}  // namespace

std::string menu_script(const std::string& name, const Menu& menu, const SymbolTable& symbols)
{
    std::string out = name + " MENU\nBEGIN\n";
    menu_items(out, menu.items, symbols, 1);
    return out + "END\n";
}

std::string resource_script(const ResFile& file, const SymbolTable& symbols, BaseUnits units)
{
    std::string out = "#include <windows.h>\n";
    if (!file.include_file.empty())
        out += "#include " + quoted(file.include_file) + "\n";
    for (const ResRecord& rec : file.records) {
        if (!rec.type.is_ordinal)
            continue;
        if (rec.type.ordinal == kResTypeDialog && rec.dialog) {
            out += "\n" + dialog_script(*rec.dialog, symbols, units);
        } else if (rec.type.ordinal == kResTypeMenu) {
            if (auto menu = parse_menu(rec.data()))
                out += "\n" + menu_script(name_or_id(rec.name, symbols), *menu, symbols);
        }
    }
    return out;
}

}  // namespace vyn::resedit
