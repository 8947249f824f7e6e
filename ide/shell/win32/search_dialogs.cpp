#include "ide/shell/win32/search_dialogs.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ide/command_ids.h"
#include "ide/editor/brace_level.h"
#include "ide/editor/comment_scan.h"
#include "ide/editor/searcher.h"
#include "ide/shell/win32/edit_window.h"
#include "ide/shell/win32/ide.h"
#include "ide/shell/win32/win32_ui.h"

namespace vyn::shell {

namespace {

using vyn::editor::ReplaceAnswer;
using vyn::editor::View;
namespace findflag = vyn::editor::findflag;

// The check boxes and radio buttons of the two dialogs and their bits.
struct FlagControl {
    int control;
    std::uint16_t bit;
};
const FlagControl kFlagControls[] = {
    {IDC_SCOPE_CURRENT, findflag::current_window}, {IDC_SCOPE_ALL, findflag::all_windows},
    {IDC_KIND_REGEX, findflag::regular_expression}, {IDC_KIND_EXACT, findflag::exact},
    {IDC_IGNORE_CASE, findflag::ignore_case},       {IDC_FORWARDS, findflag::forwards},
    {IDC_BACKWARDS, findflag::backwards},           {IDC_WRAP, findflag::wrap},
    {IDC_CONFIRM, findflag::confirm},               {IDC_WHOLE_WORDS, findflag::whole_words},
    {IDC_BY_FUNCTION, findflag::by_function},       {IDC_SIMILAR, findflag::similar_words},
    {IDC_IN_SELECTION, findflag::in_selection},
};

class Win32SearchHost : public vyn::editor::SearchHost {
public:
    void tell(const std::string& message) override { vyn::shell::tell(message); }
    ReplaceAnswer confirm_replace(View& view) override;
};

Win32SearchHost& search_host()
{
    static Win32SearchHost host;
    return host;
}

// "By function" searches the lines of the outermost brace block around
// the cursor with its head, the function of a C source.
std::optional<vyn::editor::SearchBounds> function_lines(const View& view)
{
    vyn::editor::Document& document = *view.document;
    vyn::editor::ensure_comments(document);
    std::optional<vyn::editor::LineSpan> block = vyn::editor::enclosing_block(document, view.cursor.line);
    if (!block)
        return std::nullopt;
    return vyn::editor::SearchBounds{{block->first, 0}, {block->last, document.length(block->last)}};
}

vyn::editor::Searcher& searcher()
{
    static std::unique_ptr<vyn::editor::Searcher> instance;
    if (!instance) {
        instance = std::make_unique<vyn::editor::Searcher>(*ide().editor, search_host());
        instance->function_at = function_lines;
    }
    return *instance;
}

HWND window_of(const View& view)
{
    for (HWND child = GetWindow(ide().mdi_client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (view_of(child) == &view)
            return child;
    return nullptr;
}

// The other views in window order; iconized ones unless the flags exclude them.
std::vector<View*> views_in_window_order(std::uint16_t flags)
{
    std::vector<View*> views;
    for (HWND child = GetWindow(ide().mdi_client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (View* view = view_of(child))
            if (!(flags & findflag::iconized) || !IsIconic(child))
                views.push_back(view);
    return views;
}

// ---- the Find and Search and replace dialogs -------------------------------

struct DialogState {
    bool replace = false;
    std::string text;
    std::string replacement;
    std::uint16_t flags = 0;
};

std::string item_text(HWND dialog, int control)
{
    char buffer[vyn::editor::max_search_text + 1] = {};
    GetDlgItemTextA(dialog, control, buffer, sizeof buffer);
    return buffer;
}

void show_flags(HWND dialog, std::uint16_t flags)
{
    for (const FlagControl& c : kFlagControls)
        CheckDlgButton(dialog, c.control, (flags & c.bit) ? BST_CHECKED : BST_UNCHECKED);
    // The box says "also search iconized windows"; the bit says the opposite.
    CheckDlgButton(dialog, IDC_ICONIZED, (flags & findflag::iconized) ? BST_UNCHECKED : BST_CHECKED);
}

std::uint16_t read_flags(HWND dialog)
{
    std::uint16_t flags = 0;
    for (const FlagControl& c : kFlagControls)
        if (IsDlgButtonChecked(dialog, c.control) == BST_CHECKED)
            flags = static_cast<std::uint16_t>(flags | c.bit);
    if (GetDlgItem(dialog, IDC_ICONIZED) && IsDlgButtonChecked(dialog, IDC_ICONIZED) != BST_CHECKED)
        flags |= findflag::iconized;
    return flags;
}

void init_search_dialog(HWND dialog, DialogState& state)
{
    SetWindowLongPtrA(dialog, DWLP_USER, LONG_PTR(&state));
    HWND combo = GetDlgItem(dialog, IDC_FIND_TEXT);
    for (const std::string& text : searcher().state().history)
        SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(text.c_str()));
    SendMessageA(combo, CB_LIMITTEXT, vyn::editor::max_search_text, 0);
    SetWindowTextA(combo, state.text.c_str());
    if (state.replace) {
        SendDlgItemMessageA(dialog, IDC_REPLACE_TEXT, EM_LIMITTEXT, vyn::editor::max_search_text, 0);
        SetDlgItemTextA(dialog, IDC_REPLACE_TEXT, state.replacement.c_str());
    }
    show_flags(dialog, state.flags);
}

// The rules between options: ignore case and regular expressions exclude each
// other in the Find dialog; "By function" sets and clears its companions.
void on_option(HWND dialog, const DialogState& state, int control)
{
    std::uint16_t flags = read_flags(dialog);
    if (control == IDC_IGNORE_CASE && !state.replace && (flags & findflag::ignore_case))
        flags = static_cast<std::uint16_t>((flags | findflag::exact) & ~findflag::regular_expression);
    else if (control == IDC_KIND_REGEX && !state.replace && (flags & findflag::regular_expression))
        flags = static_cast<std::uint16_t>(flags & ~findflag::ignore_case);
    else if (control == IDC_BY_FUNCTION && (flags & findflag::by_function))
        flags = findflag::choose_by_function(flags);
    else
        return;
    show_flags(dialog, flags);
}

INT_PTR CALLBACK search_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        init_search_dialog(dialog, *reinterpret_cast<DialogState*>(lparam));
        return TRUE;
    case WM_COMMAND:
        if (!state)
            break;
        if (LOWORD(wparam) == IDOK) {
            std::string text = item_text(dialog, IDC_FIND_TEXT);
            std::uint16_t flags = read_flags(dialog);
            if (auto complaint = vyn::editor::check_search_dialog(text, flags)) {
                MessageBoxA(dialog, complaint->c_str(), "tavra", MB_OK | MB_ICONEXCLAMATION);
                return TRUE;
            }
            state->text = text;
            state->flags = flags;
            if (state->replace)
                state->replacement = item_text(dialog, IDC_REPLACE_TEXT);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        if (HIWORD(wparam) == BN_CLICKED)
            on_option(dialog, *state, LOWORD(wparam));
        break;
    }
    return FALSE;
}

// Runs a dialog; the search state takes its answers. False when cancelled.
bool ask_search(View& view, bool replace)
{
    DialogState state;
    state.replace = replace;
    // FindFlags as stored; never set yet, the usual search is offered.
    state.flags = std::uint16_t(ide().settings.find_flags);
    if (state.flags == 0)
        state.flags = findflag::current_window | findflag::exact | findflag::forwards;
    state.text = vyn::editor::search_prefill(view);
    if (state.text.empty())
        state.text = searcher().state().text;
    state.replacement = searcher().state().replacement;
    if (DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(replace ? IDD_REPLACE : IDD_FIND), ide().frame,
                        search_procedure, LPARAM(&state)) != IDOK)
        return false;
    searcher().set_search(state.text, state.flags);
    if (replace)
        searcher().set_replacement(state.replacement);
    ide().settings.find_flags = state.flags;
    return true;
}

// ---- the "Replace" question ---------------------------------------------------

struct AskPlace {
    RECT selection;  // the selected row, in screen coordinates
};

INT_PTR CALLBACK replace_ask_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: {
        // Above the selected row when it lies in the lower half of the
        // screen, else below it, so that the match stays visible.
        const RECT& row = reinterpret_cast<const AskPlace*>(lparam)->selection;
        RECT box;
        GetWindowRect(dialog, &box);
        int height = box.bottom - box.top;
        int screen = GetSystemMetrics(SM_CYSCREEN);
        int top = row.top > screen / 2 ? row.top - height - 8 : row.bottom + 8;
        SetWindowPos(dialog, nullptr, box.left, std::clamp(top, 0, std::max(0, screen - height)), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDYES:
        case IDNO:
        case IDC_ANSWER_ALL:
        case IDCANCEL: EndDialog(dialog, LOWORD(wparam)); return TRUE;
        }
        break;
    }
    return FALSE;
}

ReplaceAnswer Win32SearchHost::confirm_replace(View& view)
{
    HWND window = window_of(view);
    if (window)
        refresh_edit_window(window);
    AskPlace place{};
    if (window) {
        GetClientRect(window, &place.selection);
        int row = view.cursor.line - view.top_line;
        place.selection.top = row * ide().line_height;
        place.selection.bottom = place.selection.top + ide().line_height;
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&place.selection), 2);
        UpdateWindow(window);
    }
    switch (DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_REPLACE_ASK), ide().frame, replace_ask_procedure,
                            LPARAM(&place))) {
    case IDYES: return ReplaceAnswer::yes;
    case IDNO: return ReplaceAnswer::no;
    case IDC_ANSWER_ALL: return ReplaceAnswer::all;
    default: return ReplaceAnswer::cancel;
    }
}

// ---- the "Goto" dialog -----------------------------------------------------------

struct GotoAnswer {
    int line = -1;
    bool to_end = false;
};

INT_PTR CALLBACK goto_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        CheckRadioButton(dialog, IDC_GOTO_START, IDC_GOTO_END, IDC_GOTO_START);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
            auto* answer = reinterpret_cast<GotoAnswer*>(GetWindowLongPtrA(dialog, DWLP_USER));
            BOOL translated = FALSE;
            UINT line = GetDlgItemInt(dialog, IDC_GOTO_LINE_NUMBER, &translated, FALSE);
            answer->line = translated ? int(line) : -1;
            answer->to_end = IsDlgButtonChecked(dialog, IDC_GOTO_END) == BST_CHECKED;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

// ---- the commands ------------------------------------------------------------------

void show_found(View* found)
{
    if (!found)
        return;
    if (HWND window = window_of(*found)) {
        if (window != current_edit_window())
            SendMessageA(ide().mdi_client, WM_MDIACTIVATE, WPARAM(window), 0);
        refresh_edit_window(window);
    }
}

void find_command(int, CommandParameter)
{
    View* view = current_view();
    if (!view || !ask_search(*view, false))
        return;
    show_found(searcher().find(*view, views_in_window_order(searcher().state().flags)));
    refresh_edit_window(current_edit_window());
}

void find_again_command(int command, CommandParameter)
{
    View* view = current_view();
    if (!view)
        return;
    std::vector<View*> others = views_in_window_order(searcher().state().flags);
    View* found = command == CM_FIND_PREVIOUS ? searcher().find_previous(*view, others)
                                              : searcher().find_next(*view, others);
    ide().settings.find_flags = searcher().state().flags;
    show_found(found);
    refresh_edit_window(current_edit_window());
}

void replace_command(int, CommandParameter)
{
    View* view = current_view();
    if (!view || !ask_search(*view, true))
        return;
    searcher().replace(*view, views_in_window_order(searcher().state().flags));
    for (View* shown : views_in_window_order(0))
        if (HWND window = window_of(*shown))
            refresh_edit_window(window);
}

void goto_command(int, CommandParameter)
{
    View* view = current_view();
    if (!view)
        return;
    GotoAnswer answer;
    if (DialogBoxParamA(ide().instance, MAKEINTRESOURCEA(IDD_GOTO), ide().frame, goto_procedure, LPARAM(&answer)) !=
            IDOK ||
        answer.line < 1)
        return;
    ide().editor->record_command(*view, CM_GOTO, answer.line);
    ide().editor->clear_selection(*view);
    ide().editor->go_to_line(*view, answer.line);
    if (answer.to_end)
        ide().editor->line_end(*view);
    refresh_edit_window(current_edit_window());
}

}  // namespace

void add_search_commands()
{
    Dispatcher& d = *ide().dispatcher;
    d.add(CM_FIND, find_command);
    d.add(CM_FIND_NEXT, find_again_command);
    d.add(CM_FIND_PREVIOUS, find_again_command);
    d.add(CM_REPLACE, replace_command);
    d.add(CM_GOTO, goto_command);
}

}  // namespace vyn::shell
