// The resource editor's model: a project holds dialogs, a dialog holds
// controls and callback entries. Part of each record comes from the compiled
// resources (geometry, styles, texts, class) and part from the project file
// (callback names, notification choices, colours, fonts, links).
//
// Invariant: Project::fonts is never empty and starts with "MS Sans serif".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vyn::resedit {

// Control kinds as stored in the project file.
enum ControlKind : std::uint16_t {
    kText = 0, kEdit = 1, kGroupbox = 2, kButton = 3, kCheckbox = 4, kRadiobutton = 5,
    kCombo = 6, kList = 7, kHScroll = 8, kVScroll = 9, kRect1 = 10, kRect2 = 11, kIcon = 12,
    kCustom = 13, kCommon14 = 14, kListview = 15, kCommon16 = 16, kTree = 17, kSpin = 18,
    kSpinNotify = 19, kSlider = 20,
};
constexpr std::uint16_t kLastControlKind = kSlider;

// "Not set" for colours.
constexpr std::uint32_t kNoColour = 0xFFFFFFFFu;

// Dialog flag bits.
constexpr std::uint32_t kDialogCentred = 0x1;        // CenterWindow(hwnd,1)
constexpr std::uint32_t kDialogHasDefault = 0x2;     // user's %sDefault callback
constexpr std::uint32_t kDialogInputArgs = 0x4;      // keeps the creation argument as a property
constexpr std::uint32_t kDialogHasDestroy = 0x8;     // user's %sDestroy callback
constexpr std::uint32_t kDialogChildWindow = 0x80;   // realised with a creation function
constexpr std::uint32_t kDialogPixels = 0x1000;      // coordinates kept in pixels
constexpr std::uint32_t kDialogNoFont = 0x4000;      // no font of its own

// Control flag bits shared by every kind; the low bits are kind-specific
// (notification and validation choices of edit, list and combo boxes).
constexpr std::uint32_t kEditValidationBits = 0x7F000;
constexpr std::uint32_t kCtlOwnInit = 0x00100000;     // %sInit(hwnd,id)
constexpr std::uint32_t kCtlSetText = 0x00200000;     // initial text at creation
constexpr std::uint32_t kCtlUnfoldsFrame = 0x00400000;  // button shows a folding frame (link)
constexpr std::uint32_t kCtlHasCallback = 0x00800000;  // scroll/other controls: callback wanted
constexpr std::uint32_t kCtlValidate = 0x01000000;    // push button ends the dialog after %sValidate
constexpr std::uint32_t kCtlCancel = 0x02000000;      // push button ends the dialog with 0
constexpr std::uint32_t kCtlOwnerDraw = 0x04000000;   // owner-drawn push button
constexpr std::uint32_t kCtlChecked = 0x08000000;     // check box initially checked
constexpr std::uint32_t kCtlEnables = 0x10000000;     // check box enables its linked controls
constexpr std::uint32_t kCtlDragList = 0x20000000;    // list box is a drag list
constexpr std::uint32_t kCtlKeyboard = 0x40000000;    // list box handles WM_VKEYTOITEM
constexpr std::uint32_t kCtlSelected = 0x80000000;    // check/radio box has a Selected callback

struct Callback {
    std::string name;
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    bool operator==(const Callback&) const = default;
};

// A class or a name in a dialog template: an ordinal (0xFFFF form) or a text.
struct NameOrId {
    bool is_ordinal = false;
    std::uint16_t ordinal = 0;
    std::string text;
    bool empty() const { return !is_ordinal && text.empty(); }
    bool operator==(const NameOrId&) const = default;
};

struct Control {
    // From the project file.
    std::uint16_t kind = kText;
    std::uint16_t id = 0;
    std::string symbol;               // id symbol, empty: the number is used
    std::string callback;             // empty: default name; leading '#': message form
    std::uint32_t flags = 0;
    std::uint32_t notify_mask = 0;
    std::vector<std::uint16_t> links;  // linked controls (ids)
    std::uint8_t font = 0;            // 0: dialog font, else 1 + index in the font table
    std::uint16_t font_size = 0;
    std::uint16_t font_weight = 0;
    std::uint32_t text_colour = kNoColour;
    std::string bitmap_up, bitmap_down;  // push buttons: names, or "#n" for numbered ones
    std::vector<std::string> list_items;  // list boxes
    std::int32_t range_low = 0, range_high = 0;  // sliders, up-down controls
    std::uint32_t text_limit = 0;     // edit and combo boxes, 0: none
    std::vector<std::uint8_t> raw;    // kinds 10 to 12: kept as they are

    // From the dialog template.
    NameOrId window_class;
    NameOrId text;
    std::uint32_t style = 0, ex_style = 0, help_id = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint16_t id_high = 0;        // extended templates hold 32-bit ids
    std::vector<std::uint8_t> creation_data;

    bool operator==(const Control&) const = default;
};

struct Dialog {
    // From the project file.
    std::uint16_t id = 0;
    std::string name;
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    std::string prefix;                // "FnPrefix"
    std::uint32_t background = kNoColour;
    std::uint32_t colour_3d = kNoColour;
    std::vector<Callback> callbacks;
    std::uint16_t font_index = 0;      // index in the project's font table
    std::vector<Control> controls;

    // From the dialog template.
    bool extended = false;
    std::uint32_t style = 0, ex_style = 0, help_id = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrId menu, window_class;
    std::string caption;
    std::uint16_t point_size = 0, weight = 0;
    std::uint8_t italic = 0, charset = 0;
    std::string face;

    bool operator==(const Dialog&) const = default;
};

constexpr std::uint32_t kDefaultControlStyles = 43476;

struct Project {
    std::string name;
    std::string resource_file, include_file, directory, callbacks_file, c_file;
    std::string note;  // the further text setting: a free comment on the project
    std::uint32_t control_styles = kDefaultControlStyles;  // gControlStyles
    std::vector<std::string> fonts{"MS Sans serif"};
    std::vector<Dialog> dialogs;
    bool operator==(const Project&) const = default;
};

// The files of a project, all in its directory and named from the project name.
struct ProjectFiles {
    std::string c_file, h_file, res_file, dlg_file, tvr_file, callbacks_file;
};
ProjectFiles project_files(const std::string& directory, const std::string& name);

// Messages shown to the user and yes/no questions. The window supplies boxes;
// tests and the command line collect the texts.
struct Ui {
    virtual ~Ui() = default;
    virtual void message(const std::string& text) = 0;
    virtual bool ask(const std::string& question) = 0;
};

// Documentation names of control kinds; empty for kinds without one.
const char* control_kind_name(std::uint16_t kind);

}  // namespace vyn::resedit
