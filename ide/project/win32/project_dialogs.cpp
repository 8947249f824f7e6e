// The dialogs of the Project menu: Create, the project list (Open, Erase,
// Export) and the settings pages "Compiler settings", "Linker settings" and
// "Debugger settings".
#include <windows.h>
#include <commctrl.h>

#include "common/strings.h"
#include "ide/command_ids.h"
#include "ide/project/project.h"
#include "ide/project/win32/project_session.h"
#include "ide/shell/win32/documents.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/win32_ui.h"

namespace vyn::project::win32 {

using namespace vyn::shell;

namespace {

constexpr int kFieldLimit = 512;

std::string item_text(HWND dialog, int id)
{
    char buffer[kFieldLimit + 1] = "";
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return buffer;
}

bool checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

INT_PTR CALLBACK create_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        SetDlgItemTextA(dialog, IDC_PRJ_PATH, current_directory().c_str());
        check(dialog, IDC_PRJ_SINGLE_USER, true);
        check(dialog, IDC_PRJ_WINDOWS, true);
        for (int id : {IDC_PRJ_NAME, IDC_PRJ_PATH})
            SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, kFieldLimit, 0);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (LOWORD(wparam) != IDOK)
        return FALSE;
    auto* answer = reinterpret_cast<NewProject*>(GetWindowLongPtrA(dialog, DWLP_USER));
    answer->name = std::string(vyn::trim(item_text(dialog, IDC_PRJ_NAME)));
    if (answer->name.empty() || answer->name.size() > 50 || answer->name.find_first_of("\\/") != std::string::npos) {
        tell("Incorrect project name");
        return TRUE;
    }
    answer->path = std::string(vyn::trim(item_text(dialog, IDC_PRJ_PATH)));
    answer->multi_user = checked(dialog, IDC_PRJ_MULTI_USER);
    answer->versioning = checked(dialog, IDC_PRJ_VERSIONING);
    answer->type_bit = checked(dialog, IDC_PRJ_CONSOLE)   ? flag::kConsole
                       : checked(dialog, IDC_PRJ_DLL)     ? flag::kDll
                       : checked(dialog, IDC_PRJ_LIBRARY) ? flag::kStaticLibrary
                                                          : flag::kWindows;
    EndDialog(dialog, IDOK);
    return TRUE;
}

struct ListRequest {
    const char* title;
    std::string chosen;
};

INT_PTR CALLBACK list_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        auto* request = reinterpret_cast<ListRequest*>(lparam);
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        SetWindowTextA(dialog, request->title);
        for (const std::string& name : ide().settings.projects)
            SendDlgItemMessageA(dialog, IDC_PROJECT_LIST, LB_ADDSTRING, 0, LPARAM(name.c_str()));
        SendDlgItemMessageA(dialog, IDC_PROJECT_LIST, LB_SETCURSEL, 0, 0);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    bool chosen = LOWORD(wparam) == IDOK || (LOWORD(wparam) == IDC_PROJECT_LIST && HIWORD(wparam) == LBN_DBLCLK);
    if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (!chosen)
        return FALSE;
    HWND list = GetDlgItem(dialog, IDC_PROJECT_LIST);
    LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index < 0)
        return TRUE;
    char name[256] = "";
    if (SendMessageA(list, LB_GETTEXTLEN, WPARAM(index), 0) < LRESULT(sizeof name))
        SendMessageA(list, LB_GETTEXT, WPARAM(index), LPARAM(name));
    reinterpret_cast<ListRequest*>(GetWindowLongPtrA(dialog, DWLP_USER))->chosen = name;
    EndDialog(dialog, IDOK);
    return TRUE;
}

// The settings pages edit a copy of the record, taken back on OK.
Project* edited = nullptr;

const std::pair<std::uint32_t, const char*> kPacking[] = {
    {0, "Default"}, {flag::kPack1, "1"}, {flag::kPack2, "2"}, {flag::kPack4, "4"}, {flag::kPack8, "8"}, {flag::kPack16, "16"}};

void load_compiler_page(HWND page)
{
    const Project& p = *edited;
    std::uint32_t f = p.compiler_flags;
    check(page, IDC_SET_OPTIMIZE, f & flag::kOptimize);
    check(page, IDC_SET_DEBUG, f & flag::kDebugInfo);
    check(page, IDC_SET_BROWSE, f & flag::kBrowseInfo);
    check(page, IDC_SET_ASM, f & flag::kAsm);
    check(page, IDC_SET_WINDOWS_PROGRAM, f & flag::kWindows);
    check(page, IDC_SET_INTERMEDIATE, f & flag::kIntermediate);
    check(page, IDC_SET_G3, f & flag::kStackTrace);
    check(page, IDC_SET_G4, f & flag::kStackTraceLines);
    check(page, (f & flag::kWarningsAll) ? IDC_SET_WARN_ALL : IDC_SET_WARN_NORMAL, true);
    HWND pack = GetDlgItem(page, IDC_SET_PACK);
    int selected = 0;
    for (int i = 0; i < int(std::size(kPacking)); ++i) {
        SendMessageA(pack, CB_ADDSTRING, 0, LPARAM(kPacking[i].second));
        if (kPacking[i].first && (f & kPacking[i].first))
            selected = i;
    }
    SendMessageA(pack, CB_SETCURSEL, WPARAM(selected), 0);
    SetDlgItemTextA(page, IDC_SET_DEFINES, p.defines.c_str());
    SetDlgItemTextA(page, IDC_SET_INCLUDES, p.includes.c_str());
    SetDlgItemTextA(page, IDC_SET_ERROR_FILE, p.error_file.c_str());
}

void store_compiler_page(HWND page)
{
    Project& p = *edited;
    std::uint32_t f = p.compiler_flags;
    auto set = [&f](std::uint32_t bit, bool on) { f = on ? (f | bit) : (f & ~bit); };
    set(flag::kOptimize, checked(page, IDC_SET_OPTIMIZE));
    set(flag::kDebugInfo, checked(page, IDC_SET_DEBUG));
    set(flag::kBrowseInfo, checked(page, IDC_SET_BROWSE));
    set(flag::kAsm, checked(page, IDC_SET_ASM));
    set(flag::kIntermediate, checked(page, IDC_SET_INTERMEDIATE));
    set(flag::kStackTrace, checked(page, IDC_SET_G3));
    set(flag::kStackTraceLines, checked(page, IDC_SET_G4));
    set(flag::kWarningsAll, checked(page, IDC_SET_WARN_ALL));
    if (checked(page, IDC_SET_WINDOWS_PROGRAM) && !(f & flag::kWindows))
        f = with_output_type(f, flag::kWindows);
    f &= ~(flag::kPack1 | flag::kPack2 | flag::kPack4 | flag::kPack8 | flag::kPack16);
    LRESULT pack = SendDlgItemMessageA(page, IDC_SET_PACK, CB_GETCURSEL, 0, 0);
    if (pack > 0 && pack < LRESULT(std::size(kPacking)))
        f |= kPacking[pack].first;
    p.compiler_flags = normalised_flags(f);
    p.defines = item_text(page, IDC_SET_DEFINES);
    p.includes = item_text(page, IDC_SET_INCLUDES);
    p.error_file = item_text(page, IDC_SET_ERROR_FILE);
}

void load_linker_page(HWND page)
{
    const Project& p = *edited;
    std::uint32_t f = p.compiler_flags;
    check(page, IDC_SET_NO_DEBUG, f & flag::kNoDebugInfo);
    check(page, IDC_SET_MAP, f & flag::kMapFile);
    ProjectType type = project_type(f);
    check(page, type == ProjectType::Library  ? IDC_SET_OUT_LIBRARY
                : type == ProjectType::Dll     ? IDC_SET_OUT_DLL
                : type == ProjectType::Console ? IDC_SET_OUT_CONSOLE
                                               : IDC_SET_OUT_WINDOWS,
          true);
    SetDlgItemTextA(page, IDC_SET_LIBRARIES, p.libraries.c_str());
    SetDlgItemTextA(page, IDC_SET_OUTPUT_NAME, p.exe.c_str());
    SetDlgItemTextA(page, IDC_SET_ENTRY, p.entry_point.c_str());
    SetDlgItemTextA(page, IDC_SET_LINKER_ARGS, p.linker_args.c_str());
}

void store_linker_page(HWND page)
{
    Project& p = *edited;
    std::uint32_t f = p.compiler_flags;
    f = checked(page, IDC_SET_NO_DEBUG) ? (f | flag::kNoDebugInfo) : (f & ~flag::kNoDebugInfo);
    f = checked(page, IDC_SET_MAP) ? (f | flag::kMapFile) : (f & ~flag::kMapFile);
    std::uint32_t type = checked(page, IDC_SET_OUT_LIBRARY)   ? flag::kStaticLibrary
                         : checked(page, IDC_SET_OUT_DLL)     ? flag::kDll
                         : checked(page, IDC_SET_OUT_CONSOLE) ? flag::kConsole
                                                              : flag::kWindows;
    p.compiler_flags = with_output_type(f, type);
    p.libraries = item_text(page, IDC_SET_LIBRARIES);
    p.exe = item_text(page, IDC_SET_OUTPUT_NAME);
    p.entry_point = item_text(page, IDC_SET_ENTRY);
    p.linker_args = item_text(page, IDC_SET_LINKER_ARGS);
}

void load_debugger_page(HWND page)
{
    SetDlgItemTextA(page, IDC_SET_DBG_ARGS, edited->debugger_arguments.c_str());
    SetDlgItemTextA(page, IDC_SET_DBG_DIR, edited->debugger_dir.c_str());
    SetDlgItemTextA(page, IDC_SET_DBG_EXE, edited->debuggee.c_str());
}

void store_debugger_page(HWND page)
{
    edited->debugger_arguments = item_text(page, IDC_SET_DBG_ARGS);
    edited->debugger_dir = item_text(page, IDC_SET_DBG_DIR);
    edited->debuggee = item_text(page, IDC_SET_DBG_EXE);
}

template <void (*Load)(HWND), void (*Store)(HWND)>
INT_PTR CALLBACK page_procedure(HWND page, UINT message, WPARAM, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        Load(page);
        return TRUE;
    }
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lparam)->code == PSN_APPLY) {
        Store(page);
        SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    // The output types are exclusive: choosing one clears the others (the
    // radio group does it on the page, the store does it in the flag word).
    return FALSE;
}

}  // namespace

std::optional<NewProject> ask_new_project()
{
    NewProject answer;
    if (DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_CREATE_PROJECT), ide().frame, create_procedure,
                        LPARAM(&answer)) != IDOK)
        return std::nullopt;
    return answer;
}

std::optional<std::string> choose_project(const char* title)
{
    if (ide().settings.projects.empty()) {
        tell("There are no projects defined");
        return std::nullopt;
    }
    ListRequest request{title, {}};
    if (DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_PROJECT_LIST), ide().frame, list_procedure,
                        LPARAM(&request)) != IDOK ||
        request.chosen.empty())
        return std::nullopt;
    return request.chosen;
}

bool edit_project_settings(Project& project)
{
    Project copy = project;
    edited = &copy;
    PROPSHEETPAGEA pages[3]{};
    const int ids[3] = {IDD_COMPILER_SETTINGS, IDD_LINKER_SETTINGS, IDD_DEBUGGER_SETTINGS};
    DLGPROC procedures[3] = {page_procedure<load_compiler_page, store_compiler_page>,
                             page_procedure<load_linker_page, store_linker_page>,
                             page_procedure<load_debugger_page, store_debugger_page>};
    for (int i = 0; i < 3; ++i) {
        pages[i].dwSize = sizeof(PROPSHEETPAGEA);
        pages[i].hInstance = ide().instance;
        pages[i].pszTemplate = MAKEINTRESOURCEA(ids[i]);
        pages[i].pfnDlgProc = procedures[i];
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.hwndParent = ide().frame;
    header.hInstance = ide().instance;
    header.pszCaption = project.name.c_str();
    header.nPages = 3;
    header.ppsp = pages;
    INT_PTR result = PropertySheetA(&header);
    edited = nullptr;
    if (result <= 0)
        return false;
    project = std::move(copy);
    return true;
}

}  // namespace vyn::project::win32
