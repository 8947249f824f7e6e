#include "resedit/model.h"

#include "common/strings.h"

namespace vyn::resedit {

ProjectFiles project_files(const std::string& directory, const std::string& name)
{
    const char* d = directory.c_str();
    const char* n = name.c_str();
    return {format("%s\\%s.C", d, n),   format("%s\\%s.H", d, n),   format("%s\\%s.RES", d, n),
            format("%s\\%s.DLG", d, n), format("%s\\%s.TVR", d, n), format("%s\\%s_cbk.c", d, n)};
}

const char* control_kind_name(std::uint16_t kind)
{
    switch (kind) {
    case kText: return "Text";
    case kEdit: return "Edit";
    case kGroupbox: return "Groupbox";
    case kButton: return "Button";
    case kCheckbox: return "Checkbox";
    case kRadiobutton: return "Radiobutton";
    case kCombo: return "Combo";
    case kList: return "List";
    case kHScroll:
    case kVScroll: return "Scroll";
    case kCustom: return "Custom";
    case kListview: return "Listview";
    case kTree: return "Tree";
    case kSpin:
    case kSpinNotify: return "Spin";
    case kSlider: return "Slider";
    default: return "";
    }
}

}  // namespace vyn::resedit
