#include "resedit/codegen.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "common/strings.h"
#include "platform/files.h"
#include "resedit/codegen_names.h"
#include "resedit/codegen_tables.h"

namespace vyn::resedit {
namespace {

// Prototypes gathered while the C file is written.
struct ControlPrototypes {
    std::string symbol;
    std::vector<std::string> prototypes;
};
struct DialogPrototypes {
    std::string name;
    std::vector<std::string> own;  // the dialog's callbacks
    std::vector<ControlPrototypes> controls;
};
struct Prototypes {
    std::vector<std::string> helpers;     // runtime helpers and generated functions
    std::vector<DialogPrototypes> dialogs;

    void helper(const std::string& p)
    {
        if (std::find(helpers.begin(), helpers.end(), p) == helpers.end())
            helpers.push_back(p);
    }
};

void add_unique(std::vector<std::string>& list, const std::string& p)
{
    if (std::find(list.begin(), list.end(), p) == list.end())
        list.push_back(p);
}

constexpr const char* kHInstance = "(HANDLE)GetWindowLong(hwnd,GWL_HINSTANCE)";

bool has_callback(const Control& c) { return (c.flags & kCtlHasCallback) || !c.callback.empty(); }
bool is_common(const Control& c) { return c.kind >= kListview && c.kind <= kSlider; }
bool is_vertical(const Control& c)
{
    return c.kind == kVScroll || (c.kind == kSlider && (c.style & 0x2));  // TBS_VERT
}

// Writes one dialog's procedure (and creation function) into out.
class DialogWriter {
public:
    DialogWriter(const Project& project, const Dialog& dialog, int number, std::string& out, Prototypes& protos,
                 Ui& ui)
        : project_(project), d_(dialog), number_(number), out_(out), protos_(protos), ui_(ui)
    {
        name_ = dialog_function_name(d_);
        child_ = (d_.flags & kDialogChildWindow) != 0;
        own_font_ = !(d_.flags & (kDialogChildWindow | kDialogNoFont));
        protos_.dialogs.push_back({name_, {}, {}});
        for (const Control& c : d_.controls)
            protos_.dialogs.back().controls.push_back({control_symbol(c), {}});
        number_fonts();
    }

    void write()
    {
        head();
        line(0, "{");
        declarations();
        line(1, "switch(msg)");
        line(1, "{");
        initialisation();
        key_to_item();
        owner_draw();
        commands();
        destruction();
        colours();
        scrolling(false);
        scrolling(true);
        notifications();
        static_colours();
        drag_lists();
        if (child_)
            size_handling();
        line(1, "}");
        default_handling();
        line(0, "}");
        out_ += "\n";
        if (child_)
            creation_function();
    }

private:
    void line(int level, const std::string& text)
    {
        out_ += std::string(static_cast<std::size_t>(level), '\t') + text + "\n";
    }
    std::string base(std::size_t i) const
    {
        return callback_base(d_.controls[i], number_, static_cast<int>(i) + 1);
    }
    void control_proto(std::size_t i, const std::string& p) { add_unique(protos_.dialogs.back().controls[i].prototypes, p); }
    void dialog_proto(const std::string& p) { add_unique(protos_.dialogs.back().own, p); }

    // Font0 is a child window's own font; controls with a font of their own
    // get the following numbers.
    void number_fonts()
    {
        int next = child_ ? 1 : 0;
        for (const Control& c : d_.controls)
            font_numbers_.push_back(c.font ? next++ : -1);
        font_count_ = next;
    }
    std::string font_face(std::size_t index) const
    {
        return index < project_.fonts.size() ? project_.fonts[index] : project_.fonts.front();
    }
    bool owns_gdi_objects() const
    {
        if (own_font_ || font_count_ > 0 || d_.background != kNoColour || d_.colour_3d != kNoColour)
            return true;
        return std::any_of(d_.controls.begin(), d_.controls.end(),
                           [](const Control& c) { return c.kind == kButton && !c.bitmap_up.empty(); });
    }

    void head()
    {
        std::string head = child_ ? format("LRESULT WINAPI %s(HWND hwnd,UINT msg ,WPARAM wParam,LPARAM lParam)", name_.c_str())
                                  : format("BOOL APIENTRY %s(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam)", name_.c_str());
        protos_.helper(head + ";");
        if (child_)
            protos_.helper(format("int %sCreate(HWND hwnd,HANDLE hInst,HFONT font);", name_.c_str()));
        line(0, head);
    }

    void declarations()
    {
        line(1, "static TAVRADLGPARAMS TavraDlgParams;");
        if (own_font_)
            line(1, "static HFONT DialogFont;");
        if (d_.background != kNoColour)
            line(1, "static HBRUSH BKC;");
        if (d_.colour_3d != kNoColour)
            line(1, "static HBRUSH C3D;");
        for (int f = 0; f < font_count_; ++f)
            line(1, format("static HFONT Font%d;", f));
        if (std::any_of(d_.controls.begin(), d_.controls.end(),
                        [](const Control& c) { return c.kind == kCheckbox && (c.flags & kCtlEnables); }))
            line(1, "int f;");
        for (const Control& c : d_.controls) {
            if (c.kind == kButton && !c.bitmap_up.empty()) {
                line(1, format("static HBITMAP hBM%s%d;", "Up", c.id));
                line(1, format("static HBITMAP hBM%s%d;", "Dn", c.id));
            }
            if (c.kind == kList && !c.list_items.empty()) {
                line(1, format("static char *listbox%dcontents[] = ", c.id));
                line(1, "{");
                for (const std::string& item : c.list_items)
                    line(2, c_literal(item) + ",");
                line(1, "}");
                line(1, ";");
            }
        }
    }

    void load_bitmap(const Control& c, const char* state, const std::string& bitmap)
    {
        if (!bitmap.empty() && bitmap[0] == '#')
            line(2, format("hBM%s%d = LoadBitmap(NULL,MAKEINTRESOURCE(%d));", state, c.id,
                           static_cast<int>(parse_long(bitmap.substr(1)).value_or(0))));
        else
            line(2, format("hBM%s%d = LoadBitmap(%s,%s);", state, c.id, kHInstance, c_literal(bitmap).c_str()));
    }

    void create_fonts()
    {
        protos_.helper("HFONT CreateControlFont(HWND,char *,int,int);");
        if (child_) {
            line(2, format("Font0 = CreateControlFont(hwnd,%s,%d,%s);", c_literal(font_face(d_.font_index)).c_str(),
                           d_.point_size, weight_text(d_.weight).c_str()));
        }
        for (std::size_t i = 0; i < d_.controls.size(); ++i) {
            const Control& c = d_.controls[i];
            if (font_numbers_[i] < 0)
                continue;
            line(2, format("Font%d = CreateControlFont(hwnd,%s,%d,%s);", font_numbers_[i],
                           c_literal(font_face(c.font - 1u)).c_str(), c.font_size, weight_text(c.font_weight).c_str()));
        }
    }
    static std::string weight_text(std::uint16_t weight)
    {
        return weight == 0 || weight == 400 ? std::string("FW_NORMAL") : std::to_string(weight);
    }

    void initialisation()
    {
        line(1, child_ ? "case WM_CREATE:" : "case WM_INITDIALOG:");
        create_fonts();
        if (child_) {
            line(2, format("%sCreate(hwnd,%s,Font0);", name_.c_str(), kHInstance));
            protos_.helper("void AddGdiObject(HWND,HGDIOBJ);");
            for (int f = 0; f < font_count_; ++f)
                line(2, format("AddGdiObject(hwnd,Font%d);", f));
        }
        line(2, "SetWindowLong(hwnd,DWL_USER,(DWORD)&TavraDlgParams);");
        if (d_.background != kNoColour)
            line(2, format("BKC = CreateSolidBrush(%ldL);", static_cast<long>(d_.background)));
        if (d_.colour_3d != kNoColour)
            line(2, format("C3D = CreateSolidBrush(%ldL);", static_cast<long>(d_.colour_3d)));
        if (child_) {
            if (d_.background != kNoColour)
                line(2, "AddGdiObject(hwnd,BKC);");
            if (d_.colour_3d != kNoColour)
                line(2, "AddGdiObject(hwnd,C3D);");
        }
        if (own_font_) {
            line(2, format("DialogFont = SetDialogFont(hwnd,%s,%d,%d);", c_literal(font_face(d_.font_index)).c_str(),
                           d_.point_size, d_.weight));
            protos_.helper("HFONT SetDialogFont(HWND hwnd,char *name,int size,int type);");
        }
        line(2, (d_.flags & kDialogCentred) ? "CenterWindow(hwnd,1);" : "CenterWindow(hwnd,0);");
        protos_.helper("void CenterWindow(HWND,int);");
        line(2, format("%sInit(hwnd,wParam,lParam);", name_.c_str()));
        dialog_proto(format("void %sInit(HWND hDlg,UINT wParam,DWORD lParam);", name_.c_str()));
        for (std::size_t i = 0; i < d_.controls.size(); ++i)
            initialise_control(i);
        if (d_.flags & kDialogInputArgs) {
            line(2, "/* store the input arguments if any */");
            line(2, "SetProp(hwnd,\"InputArgument\",(HANDLE)lParam);");
        }
        line(2, child_ ? "break;" : "return(TRUE);");
    }

    void initialise_control(std::size_t i)
    {
        const Control& c = d_.controls[i];
        std::string sym = control_symbol(c);
        if (c.flags & kCtlOwnInit) {
            line(2, format("%sInit(hwnd,%s);", base(i).c_str(), sym.c_str()));
            control_proto(i, format("void %sInit(HWND hwnd,int id);", base(i).c_str()));
        }
        if ((c.flags & kCtlSetText) && !c.text.is_ordinal)
            line(2, format("SetDlgItemText(hwnd,%s,%s);", sym.c_str(), c_literal(c.text.text).c_str()));
        if ((c.kind == kCheckbox || c.kind == kRadiobutton) && (c.flags & kCtlChecked))
            line(2, format("CheckDlgButton(hwnd,%s,1);", sym.c_str()));
        if (c.kind == kList && (c.flags & kCtlDragList)) {
            line(2, format("MakeDragList(GetDlgItem(hwnd,%s));", sym.c_str()));
            line(2, format("SetProp(hwnd,\"D\",(HANDLE)%s);", sym.c_str()));
        }
        if (c.kind == kButton && (c.flags & kCtlUnfoldsFrame) && !c.links.empty()) {
            line(2, format("ShowZoomed(%d,hwnd);", c.links.front()));
            protos_.helper("void FAR PASCAL ShowZoomed(int,HWND);");
        }
        if (c.kind == kSpin || c.kind == kSpinNotify)
            line(2, format("SendDlgItemMessage(hwnd,%s,UDM_SETRANGE,0,(LPARAM)MAKELONG(%d,%d));", sym.c_str(),
                           c.range_high, c.range_low));
        if (c.kind == kEdit && c.text_limit)
            line(2, format("SendDlgItemMessage(hwnd,%s,EM_LIMITTEXT,%d,0);", sym.c_str(), static_cast<int>(c.text_limit)));
        if (c.kind == kCombo && c.text_limit)
            line(2, format("SendDlgItemMessage(hwnd,%s,CB_LIMITTEXT,%d,0);", sym.c_str(), static_cast<int>(c.text_limit)));
        if (c.kind == kSlider)
            line(2, format("SendDlgItemMessage(hwnd,%s,TBM_SETRANGE,0,MAKELONG(%d,%d));", sym.c_str(), c.range_low,
                           c.range_high));
        if (font_numbers_[i] >= 0 && !child_)
            line(2, format("SendDlgItemMessage(hwnd,%d,WM_SETFONT,(WPARAM)Font%d,(LPARAM)0);", c.id, font_numbers_[i]));
        if (c.kind == kButton && !c.bitmap_up.empty()) {
            load_bitmap(c, "Up", c.bitmap_up);
            load_bitmap(c, "Dn", c.bitmap_down.empty() ? c.bitmap_up : c.bitmap_down);
            if (child_) {
                line(2, format("AddGdiObject(hwnd,hBMUp%d);", c.id));
                line(2, format("AddGdiObject(hwnd,hBMDn%d);", c.id));
            }
        }
    }

    void key_to_item()
    {
        if (!std::any_of(d_.controls.begin(), d_.controls.end(),
                         [](const Control& c) { return c.kind == kList && (c.flags & kCtlKeyboard); }))
            return;
        line(1, "case WM_VKEYTOITEM:");
        line(2, "HandleVkeyToItem(wParam,(HWND)lParam,HIWORD(lParam));");
        protos_.helper("int HandleVkeyToItem(WPARAM,HWND,int);");
        line(2, "break;");
    }

    void owner_draw()
    {
        bool any = false;
        for (std::size_t i = 0; i < d_.controls.size(); ++i) {
            const Control& c = d_.controls[i];
            if (c.kind != kButton || !(c.flags & kCtlOwnerDraw))
                continue;
            if (!any)
                line(1, "case WM_DRAWITEM:");
            any = true;
            line(2, format("if (wParam == %s) {", control_symbol(c).c_str()));
            if (!c.bitmap_up.empty()) {
                line(3, format("DrawOwnerDrawButton((LPDRAWITEMSTRUCT)lParam,hBMUp%d,hBMDn%d);", c.id, c.id));
                protos_.helper("void DrawOwnerDrawButton(LPDRAWITEMSTRUCT,HBITMAP,HBITMAP);");
            } else {
                line(3, format("%sDraw(hwnd,wParam,lParam);", base(i).c_str()));
                control_proto(i, format("void %sDraw(HWND hwnd,WPARAM wParam,LPARAM lParam);", base(i).c_str()));
            }
            line(2, "}");
        }
        if (any)
            line(2, "break;");
    }

    // A call of a control callback in the plain or the message-style form.
    void callback_call(std::size_t i, const std::string& suffix, int level)
    {
        std::string name = base(i) + suffix;
        if (message_style(d_.controls[i])) {
            line(level, format("%s(hwnd,msg,wParam,lParam);", name.c_str()));
            control_proto(i, format("void %s(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam);", name.c_str()));
        } else {
            line(level, format("%s(hwnd,(HWND)lParam);", name.c_str()));
            control_proto(i, format("void %s(HWND hDlg,HWND hCtrl);", name.c_str()));
        }
    }

    void commands()
    {
        line(1, "case WM_COMMAND:");
        line(2, "switch (LOWORD(wParam))");
        line(2, "{");
        for (std::size_t i = 0; i < d_.controls.size(); ++i)
            command_case(i);
        line(2, "}");
        line(2, "break;");
    }

    void command_case(std::size_t i)
    {
        const Control& c = d_.controls[i];
        switch (c.kind) {
        case kButton: button_case(i); break;
        case kEdit: notification_case(i, edit_notifications(), true); break;
        case kList: notification_case(i, listbox_notifications(), false); break;
        case kCombo: notification_case(i, combobox_notifications(), false); break;
        case kCheckbox:
        case kRadiobutton: check_case(i); break;
        case kHScroll:
        case kVScroll:
        case kSlider: break;  // handled with the scroll messages
        case kCommon14:
        case kCommon16:
            if (has_callback(c) || c.notify_mask)
                ui_.message(format("Control %d not implemented", c.kind));
            break;
        default:
            if (has_callback(c) && !is_common(c)) {
                line(3, format("case %s:", control_symbol(c).c_str()));
                callback_call(i, "Command", 4);
                line(4, "break;");
            }
            break;
        }
    }

    void selected_call(std::size_t i, int level)
    {
        std::string b = base(i);
        if (message_style(d_.controls[i])) {
            line(level, format("%sSelected(hwnd,msg,wParam,lParam);", b.c_str()));
            control_proto(i, format("void %sSelected(HWND hwnd,UINT msg,WPARAM wParam, LPARAM lParam);", b.c_str()));
        } else {
            line(level, format("%sSelected(hwnd);", b.c_str()));
            control_proto(i, format("void %sSelected(HWND hDlg);", b.c_str()));
        }
    }

    void button_case(std::size_t i)
    {
        const Control& c = d_.controls[i];
        std::string b = base(i);
        line(3, format("case %s:", control_symbol(c).c_str()));
        if (c.flags & kCtlValidate) {
            if (message_style(c)) {
                line(4, format("%sValidate(hwnd,msg,wParam,lParam);", b.c_str()));
                control_proto(i, format("void %sValidate(HWND hwnd,UINT msg,WPARAM wParam, LPARAM lParam);", b.c_str()));
            } else {
                line(4, "{");  // a block, so that the declaration may follow the label
                line(4, "int r;");
                line(4, format("r = %sValidate(hwnd);", b.c_str()));
                line(4, "if (r) {");
                line(5, "EndDialog(hwnd,r);");
                line(5, "return(TRUE);");
                line(4, "}");
                line(4, "}");
                control_proto(i, format("BOOL %sValidate(HWND hwnd);", b.c_str()));
            }
        } else if (c.flags & kCtlCancel) {
            line(4, "EndDialog(hwnd,0);");
        } else if ((c.flags & kCtlUnfoldsFrame) && !c.links.empty()) {
            line(4, format("ShowZoomed(%d,hwnd);", c.links.front()));
            protos_.helper("void FAR PASCAL ShowZoomed(int,HWND);");
        } else {
            selected_call(i, 4);
        }
        line(4, "break;");
    }

    void check_case(std::size_t i)
    {
        const Control& c = d_.controls[i];
        bool enables = c.kind == kCheckbox && (c.flags & kCtlEnables);
        if (!(c.flags & kCtlSelected) && !enables)
            return;
        line(3, format("case %s:", control_symbol(c).c_str()));
        if (c.flags & kCtlSelected)
            selected_call(i, 4);
        if (enables) {
            line(4, format("f = IsDlgButtonChecked(hwnd,%d);", c.id));
            for (std::uint16_t link : c.links)
                line(4, format("EnableWindow(GetDlgItem(hwnd,%d),f);", link));
        }
        line(4, "break;");
    }

    void validation_lines(const Control& c)
    {
        for (const Validation& v : edit_validations())
            if (c.flags & v.bits) {
                line(5, format(v.call, static_cast<long>(c.flags)));
                protos_.helper(v.prototype);
            }
    }

    void notification_case(std::size_t i, std::span<const Notification> table, bool edit)
    {
        const Control& c = d_.controls[i];
        std::uint32_t bits = 0;
        for (const Notification& n : table)
            bits |= c.flags & n.bit;
        bool validates = edit && (c.flags & kEditValidationBits);
        if (!bits && !validates)
            return;
        line(3, format("case %s:", control_symbol(c).c_str()));
        line(4, "switch(HIWORD(wParam)) {");
        bool change_written = false;
        for (const Notification& n : table) {
            if (!(c.flags & n.bit))
                continue;
            line(4, format("case %s:", n.code));
            callback_call(i, n.suffix, 5);
            if (validates && std::string(n.code) == "EN_CHANGE") {
                validation_lines(c);
                change_written = true;
            }
            line(5, "break;");
        }
        if (validates && !change_written) {
            line(4, "case EN_CHANGE:");
            validation_lines(c);
            line(5, "break;");
        }
        line(4, "}");
        line(4, "break;");
    }

    void destruction()
    {
        bool bitmaps = std::any_of(d_.controls.begin(), d_.controls.end(),
                                   [](const Control& c) { return c.kind == kButton && !c.bitmap_up.empty(); });
        if (!owns_gdi_objects() && !(d_.flags & (kDialogInputArgs | kDialogHasDestroy)) && !bitmaps)
            return;
        line(1, "case WM_DESTROY:");
        if (child_) {
            line(2, "FreeGdiObjects(hwnd);");
            protos_.helper("void FreeGdiObjects(HWND);");
        } else {
            if (d_.background != kNoColour)
                line(2, "DeleteObject(BKC);");
            if (d_.colour_3d != kNoColour)
                line(2, "DeleteObject(C3D);");
            if (own_font_)
                line(2, "DeleteObject(DialogFont);");
            for (int f = 0; f < font_count_; ++f)
                line(2, format("DeleteObject(Font%d);", f));
            for (const Control& c : d_.controls)
                if (c.kind == kButton && !c.bitmap_up.empty()) {
                    line(2, format("DeleteObject(hBM%s%d);", "Up", c.id));
                    line(2, format("DeleteObject(hBM%s%d);", "Dn", c.id));
                }
        }
        if (d_.flags & kDialogInputArgs) {
            line(2, "/* Remove the input arguments propierty */");
            line(2, "RemoveProp(hwnd,\"InputArgument\");");
        }
        if (d_.flags & kDialogHasDestroy) {
            line(2, format("%sDestroy(hwnd);", name_.c_str()));
            dialog_proto(format("void %sDestroy(HWND hwnd);", name_.c_str()));
        }
        line(2, "break;");
    }

    // The per-control text colours of static controls, inside a
    // WM_CTLCOLORSTATIC case.
    bool static_colour_tests(int level)
    {
        bool any = false;
        for (const Control& c : d_.controls) {
            if (c.kind != kText || c.text_colour == kNoColour)
                continue;
            if (!any) {
                line(level, "{");
                line(level, "HWND hwndCtl = (HWND)lParam;");
                line(level, "int id = GetWindowLong(hwndCtl,GWL_ID);");
            }
            any = true;
            line(level, format("if (id == %d)", c.id));
            line(level, "{");
            line(level + 1, format("SetTextColor((HDC)wParam,(COLORREF)%d);", static_cast<int>(c.text_colour)));
            line(level + 1, "SetBkMode((HDC)wParam,TRANSPARENT);");
            line(level + 1, "return (int)GetSysColorBrush(COLOR_3DFACE);");
            line(level, "}");
        }
        if (any)
            line(level, "}");
        return any;
    }

    void colours()
    {
        if (d_.background == kNoColour)
            return;
        line(1, "case WM_CTLCOLORDLG:");
        line(2, "return (int)BKC;");
        line(1, "case WM_CTLCOLORBTN:");
        line(1, "case WM_CTLCOLORSTATIC:");
        static_colour_tests(2);
        line(2, "SetTextColor((HDC)wParam,0);");
        line(2, "SetBkMode((HDC)wParam,TRANSPARENT);");
        line(2, "return (int)BKC;");
        if (d_.colour_3d != kNoColour) {
            line(1, "case WM_CTLCOLORLISTBOX:");
            line(1, "case WM_CTLCOLOREDIT:");
            line(2, "return (int)C3D;");
        }
    }

    void static_colours()
    {
        if (d_.background != kNoColour)
            return;  // written with the dialog's colours
        bool any = std::any_of(d_.controls.begin(), d_.controls.end(),
                               [](const Control& c) { return c.kind == kText && c.text_colour != kNoColour; });
        if (!any)
            return;
        line(1, "case WM_CTLCOLORSTATIC:");
        static_colour_tests(2);
        line(2, "break;");
    }

    void scrolling(bool vertical)
    {
        bool any = false;
        for (std::size_t i = 0; i < d_.controls.size(); ++i) {
            const Control& c = d_.controls[i];
            if (!(c.kind == kHScroll || c.kind == kVScroll || c.kind == kSlider) || !has_callback(c) ||
                is_vertical(c) != vertical)
                continue;
            if (!any)
                line(1, vertical ? "case WM_VSCROLL:" : "case WM_HSCROLL:");
            any = true;
            line(2, format("if ((HWND)(lParam) == GetDlgItem(hwnd,%d))", c.id));
            line(3, format("%s(hwnd,msg,wParam,lParam);", base(i).c_str()));
            control_proto(i, format("void %s(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam);", base(i).c_str()));
        }
        if (any)
            line(2, "break;");
    }

    // One case per code, then one idFrom test per control that wants it.
    void notification_group(const Notification& n, std::uint16_t kind_low, std::uint16_t kind_high, bool& opened)
    {
        bool any = false;
        for (std::size_t i = 0; i < d_.controls.size(); ++i) {
            const Control& c = d_.controls[i];
            if (c.kind < kind_low || c.kind > kind_high || !(c.notify_mask & n.bit))
                continue;
            if (!opened) {
                line(1, "case WM_NOTIFY:");
                line(2, "{");
                line(2, "NMHDR *pnmhdr = (NMHDR *)lParam;");
                line(2, "switch (pnmhdr->code) {");
                opened = true;
            }
            if (!any)
                line(2, format("case %s:", n.code));
            any = true;
            std::string name = base(i) + n.suffix;
            line(3, format("if (pnmhdr->idFrom == %s)", control_symbol(c).c_str()));
            if (n.structure) {
                line(4, format("return(%s(hwnd,(%s *)lParam));", name.c_str(), n.structure));
                control_proto(i, format("int %s(HWND,%s *);", name.c_str(), n.structure));
            } else {
                line(4, format("return(%s(hwnd,pnmhdr));", name.c_str()));
                control_proto(i, format("int %s(HWND,NMHDR *);", name.c_str()));
            }
        }
        if (any)
            line(3, "break;");
    }

    void notifications()
    {
        bool opened = false;
        for (const Notification& n : common_notifications())
            notification_group(n, kListview, kSlider, opened);
        notification_group(kUpDownDeltaPos, kSpinNotify, kSpinNotify, opened);
        for (const Notification& n : treeview_notifications())
            notification_group(n, kTree, kTree, opened);
        for (const Notification& n : listview_notifications())
            notification_group(n, kListview, kListview, opened);
        if (!opened)
            return;
        line(2, "}");
        line(2, "}");
        line(2, "break;");
    }

    void drag_lists()
    {
        for (const Notification& n : draglist_notifications()) {
            bool any = false;
            for (std::size_t i = 0; i < d_.controls.size(); ++i) {
                const Control& c = d_.controls[i];
                if (c.kind != kList || !(c.flags & kCtlDragList) || !(c.notify_mask & n.bit))
                    continue;
                if (!any)
                    line(1, format("case %s:", n.code));
                any = true;
                std::string name = base(i) + n.suffix;
                line(2, format("if (wParam == %d)", c.id));
                line(3, format("return %s(hwnd,(DRAGLISTINFO *)lParam);", name.c_str()));
                control_proto(i, format("long %s(HWND hwnd,DRAGLISTINFO *dlInfo);", name.c_str()));
            }
            if (any)
                line(2, "break;");
        }
    }

    void size_handling()
    {
        line(1, "case WM_SIZE:");
        line(2, "if (wParam == SIZE_MINIMIZED) ");
        line(3, "DestroyChildWindows(hwnd);");
        line(2, "else");
        line(3, "if (!IsHwndInList(hwnd))");
        line(4, format("%sCreate(hwnd,%s,Font0);", name_.c_str(), kHInstance));
        line(2, "break;");
        protos_.helper("BOOL IsHwndInList(HWND);");
        protos_.helper("void DestroyChildWindows(HWND);");
    }

    void default_handling()
    {
        if (d_.flags & kDialogHasDefault) {
            line(1, format("return(%sDefault(hwnd,msg,wParam,lParam));", name_.c_str()));
            dialog_proto(format("%s %sDefault(HWND hwnd,UINT msg,UINT wParam,DWORD lParam);",
                                child_ ? "LRESULT WINAPI" : "long FAR PASCAL", name_.c_str()));
        } else {
            line(1, "return(HandleDefaultMessages(hwnd,msg,wParam,lParam));");
            protos_.helper("BOOL WINAPI HandleDefaultMessages(HWND hwnd,UINT msg,WPARAM wParam,DWORD lParam);");
        }
    }

    static std::string class_name(const Control& c)
    {
        switch (c.kind) {
        case kSlider: return "msctls_trackbar32";
        case kSpin:
        case kSpinNotify: return "msctls_updown32";
        case kCommon14: return "msctls_progress32";
        case kTree: return "SysTreeView32";
        case kCommon16: return "SysTabControl32";
        case kListview: return "SysListView32";
        default: break;
        }
        if (!c.window_class.is_ordinal)
            return c.window_class.text;
        switch (c.window_class.ordinal) {
        case 0x80: return "Button";
        case 0x81: return "Edit";
        case 0x82: return "Static";
        case 0x83: return "ListBox";
        case 0x84: return "ScrollBar";
        case 0x85: return "ComboBox";
        default: return "Static";
        }
    }

    void creation_function()
    {
        line(0, format("int %sCreate(HWND hwnd,HANDLE hInst,HFONT font)", name_.c_str()));
        line(0, "{");
        line(1, "int c=0;");
        line(1, "HWND w;");
        out_ += "\n";
        for (const Control& c : d_.controls) {
            std::string text = c.text.is_ordinal || c.text.text.empty() ? "NULL" : c_literal(c.text.text);
            line(1, "w = CreateWindow(\"" + class_name(c) + "\"," + text + "," +
                        format("%ldL,", static_cast<long>(c.style)) + format("%d,%d,%d,%d", c.x, c.y, c.cx, c.cy) +
                        ",hwnd," + format("(HMENU)%d,", c.id) + "hInst,NULL);");
            line(1, "if (!w) return(c);");
            line(1, "SendMessage(w,WM_SETFONT,(WPARAM)font,0);");
            line(1, "c++;");
        }
        line(1, "return(c);");
        line(0, "}");
        out_ += "\n";
    }

    const Project& project_;
    const Dialog& d_;
    int number_;
    std::string& out_;
    Prototypes& protos_;
    Ui& ui_;
    std::string name_;
    bool child_ = false;
    bool own_font_ = false;
    std::vector<int> font_numbers_;
    int font_count_ = 0;
};

std::string include_text(const Prototypes& protos)
{
    std::string out = "/* Tavrares generated include file. Do NOT edit */\n";
    out += "#include <windows.h>\n";
    out += "#include <commctrl.h>\n";
    out += "#ifndef TAVRA_PROTOTYPES\n#define TAVRA_PROTOTYPES\n";
    out += "\n/*@U@ User parameters @@*/\n";
    out += "\n/*@@ @@*/\n";
    out += "typedef struct tagTavraDlgParams {\n\tint underscoreYOffset;\n\tDWORD TextColor;\n";
    out += "\tint Styles;\n";
    out += "} TAVRADLGPARAMS;\n\n";
    out += "#endif\n";
    out += "void SetDlgBkColor(HWND,COLORREF);\n";
    out += "BOOL APIENTRY HandleCtlColor(UINT,DWORD);\n";
    for (const std::string& p : protos.helpers)
        out += p + "\n";
    for (const DialogPrototypes& d : protos.dialogs) {
        out += format("/*\n * Callbacks for dialog %s\n */\n", d.name.c_str());
        for (const std::string& p : d.own)
            out += p + "\n";
        for (const ControlPrototypes& c : d.controls) {
            if (c.prototypes.empty())
                continue;
            out += format("/* Control: %s*/\n", c.symbol.c_str());
            for (const std::string& p : c.prototypes)
                out += p + "\n";
        }
    }
    out += "extern void *GetDialogArguments(HWND);\n";
    return out;
}

// A definition needs names for its parameters: "int f(HWND,NMHDR *)"
// becomes "int f(HWND p1,NMHDR *p2)".
std::string named_parameters(const std::string& head)
{
    std::size_t open = head.find('(');
    std::size_t close = head.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return head;
    std::vector<std::string> params = split(head.substr(open + 1, close - open - 1), ',');
    for (std::size_t i = 0; i < params.size(); ++i) {
        std::string p(trim(params[i]));
        if (p.empty() || p == "void")
            continue;
        if (p.back() == '*')
            params[i] = p + format("p%d", static_cast<int>(i) + 1);
        else if (p.find(' ') == std::string::npos)
            params[i] = p + format(" p%d", static_cast<int>(i) + 1);
    }
    return head.substr(0, open + 1) + join(params, ",") + head.substr(close);
}

// The names of a function head's parameters (the last identifier of each).
std::vector<std::string> parameter_names(const std::string& head)
{
    std::vector<std::string> names;
    std::size_t open = head.find('('), close = head.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return names;
    for (const std::string& param : split(head.substr(open + 1, close - open - 1), ',')) {
        std::string p(trim(param));
        std::size_t end = p.size();
        std::size_t start = end;
        while (start > 0 && (std::isalnum(static_cast<unsigned char>(p[start - 1])) || p[start - 1] == '_'))
            --start;
        if (start < end && start > 0 && p != "void")
            names.push_back(p.substr(start));
    }
    return names;
}

// An empty function for a prototype: its text without the ";", each
// parameter marked as used (the user's body will use them; until then the
// compiler's warnings stay quiet), and a return of 0 (or of the default
// handling) when it returns a value.
std::string empty_function(const std::string& prototype)
{
    std::string head = named_parameters(prototype.substr(0, prototype.size() - 1));
    std::string out = head + "\n{\n";
    if (head.find("Default(") != std::string::npos)
        return out + "\treturn(HandleDefaultMessages(hwnd,msg,wParam,lParam));\n}\n\n";
    for (const std::string& name : parameter_names(head))
        out += "\t(void)" + name + ";\n";
    if (!head.starts_with("void "))
        out += "\treturn 0;\n";
    return out + "}\n\n";
}

std::string callbacks_text(const Prototypes& protos, const std::string& include_name)
{
    std::string out = "#include \"" + include_name + "\"\n\n";
    for (const DialogPrototypes& d : protos.dialogs) {
        out += format("/*\n * Callbacks for dialog %s\n */\n", d.name.c_str());
        for (const std::string& p : d.own)
            out += empty_function(p);
        for (const ControlPrototypes& c : d.controls) {
            if (c.prototypes.empty())
                continue;
            out += format("/* Control: %s*/\n", c.symbol.c_str());
            for (const std::string& p : c.prototypes)
                out += empty_function(p);
        }
    }
    return out;
}

// The symbols of the dialog and control ids live in the project's include
// file, apart from the generated one.
std::string symbols_include(const Project& p)
{
    if (p.include_file.empty())
        return {};
    std::string name = std::filesystem::path(p.include_file).filename().string();
    return equals_nocase(name, p.name + ".H") ? std::string() : name;
}

}  // namespace

GeneratedFiles generate_code(const Project& project, Ui& ui)
{
    GeneratedFiles files;
    Prototypes protos;
    std::string& c = files.c_file;
    c += std::string(kGeneratedMarker) + "\n";
    c += "#ifndef __WINDOWS_H\n#include <windows.h>\n#include <commctrl.h>\n#endif\n";
    c += "#include \"" + project.name + ".H\"\n";
    if (!symbols_include(project).empty())
        c += "#include \"" + symbols_include(project) + "\"\n";
    c += "\n";
    for (std::size_t i = 0; i < project.dialogs.size(); ++i)
        DialogWriter(project, project.dialogs[i], static_cast<int>(i) + 1, c, protos, ui).write();
    files.h_file = include_text(protos);
    files.callbacks_file = callbacks_text(protos, project.name + ".H");
    return files;
}

bool write_generated_code(const Project& project, const std::string& directory, Ui& ui)
{
    namespace fs = std::filesystem;
    fs::path dir(directory);
    std::string c_path = (dir / (project.name + ".C")).string();
    if (auto existing = platform::read_file(c_path)) {
        std::string first(existing->begin(), std::find(existing->begin(), existing->end(), '\n'));
        if (!first.empty() && first.back() == '\r')
            first.pop_back();
        if (first != kGeneratedMarker && !ui.ask(format("%s n'est pas un fichier TVR. Continuer?", c_path.c_str())))
            return false;
    }
    GeneratedFiles files = generate_code(project, ui);
    const std::pair<std::string, const std::string*> outputs[] = {
        {c_path, &files.c_file},
        {(dir / (project.name + ".H")).string(), &files.h_file},
        {(dir / (project.name + "_cbk.c")).string(), &files.callbacks_file},
    };
    for (const auto& [path, text] : outputs)
        if (!platform::write_file_atomically(path, {text->begin(), text->end()})) {
            ui.message(format("Impossible to open %s", path.c_str()));
            return false;
        }
    return true;
}

}  // namespace vyn::resedit
