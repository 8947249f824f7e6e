#include "ide/project/win32/project_tree_window.h"

#include <commctrl.h>

#include <cstring>
#include <map>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/command_ids.h"
#include "ide/project/project_file.h"
#include "ide/project/project_store.h"
#include "ide/project/project_tree.h"
#include "ide/project/win32/project_session.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/output_window.h"
#include "ide/shell/win32/win32_ui.h"
#include "platform/files.h"

namespace vyn::project::win32 {

using namespace vyn::shell;
using vyn::format;
namespace winpath = vyn::winpath;

namespace {

constexpr char kTreeClass[] = "clProjectTree";
constexpr char kTitle[] = "Projets";

HWND tree_window = nullptr;
// The nodes the tree's items point at (their lParam); replaced as a whole
// by each refresh, after the items are gone.
std::vector<TreeNode> nodes;

HWND tree_control() { return tree_window ? GetDlgItem(tree_window, IDC_PROJECT_TREE) : nullptr; }

// A source's text: the editor's when the file is loaded, else the file's.
std::optional<std::string> source_text(const std::string& path)
{
    std::string name = winpath::upper_az(path);
    if (vyn::editor::Document* document = ide().editor->find_document(name))
        return document->text();
    auto bytes = vyn::platform::read_file(winpath::to_host(path));
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

std::optional<Project> load_known_project(const std::string& name)
{
    Project p;
    if (!load_project(*ide().registry, name, p))
        return std::nullopt;
    if (p.project_path.empty())
        p.project_path = current_directory();
    return p;
}

void insert_nodes(HWND tree, HTREEITEM parent, const std::vector<TreeNode>& level)
{
    for (const TreeNode& node : level) {
        TVINSERTSTRUCTA insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
        insert.item.pszText = const_cast<char*>(node.text.c_str());
        insert.item.lParam = LPARAM(&node);
        insert.item.stateMask = TVIS_BOLD;
        insert.item.state = node.open ? TVIS_BOLD : 0;
        HTREEITEM item = HTREEITEM(SendMessageA(tree, TVM_INSERTITEMA, 0, LPARAM(&insert)));
        insert_nodes(tree, item, node.children);
        // The open project shows its files and their functions at once.
        if (node.open || (node.kind == TreeNodeKind::File && !node.children.empty()))
            SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(item));
    }
}

void fill_tree()
{
    HWND tree = tree_control();
    if (!tree)
        return;
    SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    SendMessageA(tree, TVM_DELETEITEM, 0, LPARAM(TVI_ROOT));
    nodes = build_project_tree(ide().settings.projects, current_project(), load_known_project, source_text);
    insert_nodes(tree, TVI_ROOT, nodes);
    SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
}

const TreeNode* node_of(HTREEITEM item)
{
    if (!item)
        return nullptr;
    TVITEMA tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!SendMessageA(tree_control(), TVM_GETITEMA, 0, LPARAM(&tv)))
        return nullptr;
    return reinterpret_cast<const TreeNode*>(tv.lParam);
}

const TreeNode* selected_node()
{
    return node_of(HTREEITEM(SendMessageA(tree_control(), TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

std::string file_facts(const std::string& path)
{
    auto size = vyn::platform::file_size(winpath::to_host(path));
    if (!size)
        return "The file does not exist";
    return format("%lld bytes", static_cast<long long>(*size));
}

void open_at(const std::string& path, int line)
{
    HWND window = open_file("\"" + path + "\"");
    if (!window)
        return;
    SendMessageA(ide().mdi_client, WM_MDIACTIVATE, WPARAM(window), 0);
    if (vyn::editor::View* view = view_of(window)) {
        ide().editor->go_to_line(*view, line <= view->document->line_count() ? line : 1);
        refresh_edit_window(window);
    }
}

void on_usage_double_click(HWND list)
{
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    std::vector<std::string> lines = output_lines();
    if (selected < 0 || std::size_t(selected) >= lines.size())
        return;
    if (auto hit = parse_usage_line(lines[std::size_t(selected)]))
        open_at(hit->path, hit->line);
}

void list_usage(const std::string& symbol)
{
    const Project& p = current_project();
    std::vector<std::string> paths;
    for (const std::string& file : p.files)
        paths.push_back(winpath::full_path(file, p.sources_dir.empty() ? p.project_path : p.sources_dir));
    std::vector<UsageHit> hits = symbol_usage(symbol, paths, source_text);
    SendMessageA(ide().output, WM_OUTPUT_CLEAR_OPEN, 0, 0);
    SendMessageA(ide().output, WM_OUTPUT_SET_HANDLER, WPARAM(&on_usage_double_click), 1);
    output_add_line(format("Usage of %s: %d hits.", symbol.c_str(), int(hits.size())));
    for (const UsageHit& hit : hits)
        output_add_line(usage_line(hit));
}

void run_action(const TreeAction& a)
{
    if (a.activate_first && !open_project(a.project))
        return;
    switch (a.kind) {
    case TreeAction::None: return;
    case TreeAction::OpenFile: open_at(a.path, a.line); return;
    case TreeAction::OpenAllFiles: PostMessageA(ide().frame, WM_COMMAND, CM_OPEN_ALL_FILES, 0); return;
    case TreeAction::ListUsage: list_usage(a.symbol); return;
    case TreeAction::ShowText: MessageBoxA(ide().frame, a.text.c_str(), "Properties", MB_OK | MB_ICONINFORMATION); return;
    case TreeAction::EditSettings:
        if (edit_project_settings(current_project())) {
            save_current_project();
            refresh_project_tree();
        }
        return;
    case TreeAction::ActivateProject: open_project(a.project); return;
    case TreeAction::EditFiles: PostMessageA(ide().frame, WM_COMMAND, CM_PROJECT_FILES, 0); return;
    case TreeAction::ExportProject:
        save_current_project();
        export_project(*ide().registry, a.project, current_directory(), project_ui());
        return;
    }
}

const std::map<int, TreeCommand> kCommands = {
    {CM_TREE_USAGE, TreeCommand::Usage},       {CM_TREE_DEFINITION, TreeCommand::Definition},
    {CM_TREE_OPEN, TreeCommand::Open},         {CM_TREE_PROPERTIES, TreeCommand::Properties},
    {CM_TREE_ACTIVATE, TreeCommand::Activate}, {CM_TREE_FILES, TreeCommand::InsertDeleteFiles},
    {CM_TREE_EXPORT, TreeCommand::Export},
};

void run_command(int command)
{
    auto found = kCommands.find(command);
    const TreeNode* node = selected_node();
    if (found == kCommands.end() || !node)
        return;
    // The node dies with the next refresh, which the action may cause.
    TreeNode chosen = *node;
    run_action(tree_action(chosen, found->second, current_project().name, file_facts));
}

// The context menu of the node under the mouse (or the selected one from
// the keyboard), its items grayed where the command does nothing.
void show_context_menu(POINT screen, bool from_mouse)
{
    HWND tree = tree_control();
    if (from_mouse) {
        TVHITTESTINFO hit{};
        hit.pt = screen;
        ScreenToClient(tree, &hit.pt);
        if (HTREEITEM item = HTREEITEM(SendMessageA(tree, TVM_HITTEST, 0, LPARAM(&hit))))
            SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(item));
    }
    const TreeNode* node = selected_node();
    if (!node)
        return;
    HMENU menu = LoadMenuA(ide().instance, "ViewTreeContext");
    HMENU popup = GetSubMenu(menu, 0);
    for (const auto& [id, command] : kCommands)
        if (tree_action(*node, command, current_project().name).kind == TreeAction::None)
            EnableMenuItem(popup, UINT(id), MF_BYCOMMAND | MF_GRAYED);
    if (!from_mouse) {
        // The item's rectangle is asked for with its handle in the rectangle.
        RECT r{};
        HTREEITEM item = HTREEITEM(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        std::memcpy(&r, &item, sizeof item);
        SendMessageA(tree, TVM_GETITEMRECT, TRUE, LPARAM(&r));
        screen = {r.left, r.bottom};
        ClientToScreen(tree, &screen);
    }
    int command = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, tree_window, nullptr);
    DestroyMenu(menu);
    if (command)
        run_command(command);
}

LRESULT on_notify(const NMHDR& header)
{
    if (header.idFrom != IDC_PROJECT_TREE)
        return 0;
    if (header.code == NM_DBLCLK) {
        // A file or a function opens; a project opens as the current one.
        const TreeNode* node = selected_node();
        if (!node)
            return 0;
        TreeNode chosen = *node;
        TreeCommand command = chosen.kind == TreeNodeKind::Project ? TreeCommand::Activate : TreeCommand::Open;
        run_action(tree_action(chosen, command, current_project().name));
        return 1;
    }
    if (header.code == NM_RCLICK) {
        POINT cursor;
        GetCursorPos(&cursor);
        show_context_menu(cursor, true);
        return 1;
    }
    return 0;
}

LRESULT CALLBACK tree_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE: {
        HWND tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS |
                                        TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                                    0, 0, 0, 0, window, HMENU(INT_PTR(IDC_PROJECT_TREE)), ide().instance, nullptr);
        SendMessageA(tree, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        break;
    }
    case WM_SIZE:
        MoveWindow(GetDlgItem(window, IDC_PROJECT_TREE), 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
        break;
    case WM_SETFOCUS: SetFocus(GetDlgItem(window, IDC_PROJECT_TREE)); return 0;
    case WM_NOTIFY: return on_notify(*reinterpret_cast<NMHDR*>(lparam));
    case WM_CONTEXTMENU:
        if (LPARAM(lparam) == -1) {
            show_context_menu({0, 0}, false);
            return 0;
        }
        break;
    case WM_COMMAND:
        if (kCommands.count(LOWORD(wparam))) {
            run_command(LOWORD(wparam));
            return 0;
        }
        break;
    case WM_DESTROY:
        tree_window = nullptr;
        nodes.clear();
        break;
    }
    return DefMDIChildProcA(window, message, wparam, lparam);
}

bool register_tree_class()
{
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = tree_window_procedure;
    window_class.hInstance = ide().instance;
    window_class.hIcon = ide().doc_icon;
    window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = kTreeClass;
    registered = RegisterClassA(&window_class) != 0;
    return registered;
}

}  // namespace

HWND show_project_tree()
{
    if (tree_window) {
        SendMessageA(ide().mdi_client, WM_MDIACTIVATE, WPARAM(tree_window), 0);
        return tree_window;
    }
    if (!register_tree_class())
        return nullptr;
    MDICREATESTRUCTA create{};
    create.szClass = kTreeClass;
    create.szTitle = kTitle;
    create.hOwner = ide().instance;
    create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
    tree_window = HWND(SendMessageA(ide().mdi_client, WM_MDICREATE, 0, LPARAM(&create)));
    fill_tree();
    return tree_window;
}

void refresh_project_tree() { fill_tree(); }

}  // namespace vyn::project::win32
