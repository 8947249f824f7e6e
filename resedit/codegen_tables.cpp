#include "resedit/codegen_tables.h"

namespace vyn::resedit {
namespace {

const Notification kEdit[] = {
    {0x1, "EN_SETFOCUS", "SetFocus", nullptr},   {0x2, "EN_KILLFOCUS", "KillFocus", nullptr},
    {0x4, "EN_CHANGE", "Changed", nullptr},      {0x8, "EN_ERRSPACE", "ErrorSpace", nullptr},
    {0x10, "EN_HSCROLL", "HorzScroll", nullptr}, {0x20, "EN_VSCROLL", "VertScroll", nullptr},
    {0x80, "EN_UPDATE", "Update", nullptr},
};
const Notification kListBox[] = {
    {0x2, "LBN_ERRSPACE", "ErrorSpace", nullptr},  {0x4, "LBN_KILLFOCUS", "KillFocus", nullptr},
    {0x8, "LBN_DBLCLK", "DoubleClick", nullptr},   {0x10, "LBN_SELCHANGE", "SelChange", nullptr},
    {0x20, "LBN_SETFOCUS", "SetFocus", nullptr},   {0x40, "LBN_CANCELSEL", "SelCancel", nullptr},
};
const Notification kComboBox[] = {
    {0x2, "CBN_CLOSEUP", "HideList", nullptr},        {0x4, "CBN_DBLCLK", "DoubleClick", nullptr},
    {0x8, "CBN_DROPDOWN", "ShowList", nullptr},       {0x10, "CBN_EDITCHANGE", "TextChange", nullptr},
    {0x20, "CBN_EDITUPDATE", "TextUpdate", nullptr},  {0x40, "CBN_ERRSPACE", "TextOverflow", nullptr},
    {0x80, "CBN_SETFOCUS", "SetFocus", nullptr},      {0x100, "CBN_KILLFOCUS", "KillFocus", nullptr},
    {0x200, "CBN_SELCHANGE", "SelChange", nullptr},   {0x400, "CBN_SELENDCANCEL", "SelCancel", nullptr},
    {0x800, "CBN_SELENDOK", "SelValidate", nullptr},
};
const Notification kCommon[] = {
    {0x10000, "NM_CLICK", "clicked", nullptr},          {0x20000, "NM_DBLCLK", "DoubleClicked", nullptr},
    {0x40000, "NM_KILLFOCUS", "KillFocus", nullptr},    {0x80000, "NM_OUTOFMEMORY", "OutOfMemory", nullptr},
    {0x100000, "NM_RCLICK", "RClicked", nullptr},       {0x200000, "NM_RDBLCLK", "RDoubleclicked", nullptr},
    {0x400000, "NM_RETURN", "ReturnPressed", nullptr},  {0x800000, "NM_SETFOCUS", "SetFocus", nullptr},
};
const Notification kTree[] = {
    {0x1, "TVN_SELCHANGING", "SelChanging", "NM_TREEVIEW"},
    {0x2, "TVN_SELCHANGED", "SelChanged", "NM_TREEVIEW"},
    {0x4, "TVN_GETDISPINFO", "GetDispInfo", "TV_DISPINFO"},
    {0x8, "TVN_SETDISPINFO", "SetDispInfo", "TV_DISPINFO"},
    {0x10, "TVN_ITEMEXPANDING", "ItemExpanding", "NM_TREEVIEW"},
    {0x20, "TVN_ITEMEXPANDED", "ItemExpanded", "NM_TREEVIEW"},
    {0x40, "TVN_BEGINDRAG", "BeginDrag", "NM_TREEVIEW"},
    {0x80, "TVN_BEGINRDRAG", "BeginRDrag", "NM_TREEVIEW"},
    {0x100, "TVN_DELETEITEM", "DeleteItem", "NM_TREEVIEW"},
    {0x200, "TVN_BEGINLABELEDIT", "BeginLabelEdit", "TV_DISPINFO"},
    {0x400, "TVN_ENDLABELEDIT", "EndLabelEdit", "TV_DISPINFO"},
    {0x800, "TVN_KEYDOWN", "TreeKeyDown", "TV_KEYDOWN"},
};
const Notification kListView[] = {
    {0x20, "LVN_DELETEITEM", "DeleteItem", "NM_LISTVIEW"},
    {0x4, "LVN_BEGINRDRAG", "BeginRDrag", "NM_LISTVIEW"},
    {0x2, "LVN_BEGINLABELEDIT", "BeginLabelEdit", "LV_DISPINFO"},
    {0x1, "LVN_BEGINDRAG", "BeginDrag", "NM_LISTVIEW"},
    {0x40, "LVN_ENDLABELEDIT", "EndLabelEdit", "LV_DISPINFO"},
    {0x100, "LVN_ITEMCHANGED", "ItemChanged", "NM_LISTVIEW"},
    {0x200, "LVN_ITEMCHANGING", "ItemChanging", "NM_LISTVIEW"},
    {0x400, "LVN_KEYDOWN", "ListviewKeyDown", "LV_KEYDOWN"},
    {0x1000, "LVN_SETDISPINFO", "SetDispInfo", "LV_DISPINFO"},
    {0x8, "LVN_COLUMNCLICK", "ColumnClick", "NM_LISTVIEW"},
    {0x10, "LVN_DELETEALLITEMS", "DeleteAllItems", "NM_LISTVIEW"},
    {0x80, "LVN_INSERTITEM", "InsertItem", "NM_LISTVIEW"},
    {0x800, "LVN_GETDISPINFO", "GetDispInfo", "LV_DISPINFO"},
};
const Notification kDragList[] = {
    {0x100, "DL_BEGINDRAG", "BeginDrag", nullptr},   {0x200, "DL_CANCELDRAG", "CancelDrag", nullptr},
    {0x400, "DL_DRAGGING", "Dragging", nullptr},     {0x800, "DL_DROPPED", "EndDrag", nullptr},
};
// The checks take the edit control's handle, lParam of WM_COMMAND, whole.
const Validation kValidations[] = {
    {0x1000, "TestNumber((HWND)lParam,0L);", "int TestNumber(HWND hwnd,long Flags);"},
    {0x2000, "TestInteger((HWND)lParam);", "BOOL TestInteger(HWND);"},
    {0x4000, "TestPositiveInteger((HWND)lParam);", "BOOL TestPositiveInteger(HWND);"},
    {0x18000, "TestAlpha((HWND)lParam,%ldL);", "int TestAlpha(HWND hwnd,long Flags);"},
    {0x20000, "TestDate((HWND)lParam);", "int TestDate(HWND hwnd);"},
    {0x40000, "TestFileName((HWND)lParam);", "int TestFileName(HWND hwnd);"},
};

}  // namespace

const Notification kUpDownDeltaPos = {0x1, "UDN_DELTAPOS", "DeltaPos", nullptr};

std::span<const Notification> edit_notifications() { return kEdit; }
std::span<const Notification> listbox_notifications() { return kListBox; }
std::span<const Notification> combobox_notifications() { return kComboBox; }
std::span<const Notification> common_notifications() { return kCommon; }
std::span<const Notification> treeview_notifications() { return kTree; }
std::span<const Notification> listview_notifications() { return kListView; }
std::span<const Notification> draglist_notifications() { return kDragList; }
std::span<const Validation> edit_validations() { return kValidations; }

}  // namespace vyn::resedit
