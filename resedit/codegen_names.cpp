#include "resedit/codegen_names.h"

#include "common/strings.h"

namespace vyn::resedit {

std::string dialog_function_name(const Dialog& d)
{
    if (!d.prefix.empty())
        return d.prefix;
    if (!d.name.empty())
        return d.name;
    return format("Dlg%d", d.id);
}

std::string control_symbol(const Control& c)
{
    if (!c.symbol.empty())
        return c.symbol;
    if (c.id == 1)
        return "IDOK";
    if (c.id == 2)
        return "IDCANCEL";
    return std::to_string(c.id);
}

bool message_style(const Control& c) { return !c.callback.empty() && c.callback[0] == '#'; }

std::string callback_base(const Control& c, int dialog_number, int control_number)
{
    if (!c.callback.empty())
        return message_style(c) ? c.callback.substr(1) : c.callback;
    std::string symbol = control_symbol(c);
    switch (c.kind) {
    case kButton:
        if (c.flags & kCtlOwnerDraw)
            return format("Dlg%dCtrl%d", dialog_number, control_number);
        return "pb_" + symbol;
    case kEdit: return "ef_" + symbol;
    case kList:
    case kCombo: return "lb_" + symbol;
    case kCheckbox: return "ckb_" + symbol;
    case kRadiobutton: return "rbb_" + symbol;
    default: return format("Dlg%dCtl%d", dialog_number, control_number);
    }
}

std::string c_literal(const std::string& text)
{
    std::string out = "\"";
    for (char ch : text) {
        switch (ch) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default: out += ch;
        }
    }
    return out + "\"";
}

}  // namespace vyn::resedit
