#include "ide/shell/key_bindings.h"

#include "ide/command_ids.h"
#include "ide/shell/settings.h"

namespace vyn::shell {

namespace {

// Virtual keys used by the table (the values of the Windows headers).
constexpr int VK_BACK_ = 0x08, VK_ESCAPE_ = 0x1B, VK_PRIOR_ = 0x21, VK_NEXT_ = 0x22, VK_END_ = 0x23,
              VK_HOME_ = 0x24, VK_LEFT_ = 0x25, VK_UP_ = 0x26, VK_RIGHT_ = 0x27, VK_DOWN_ = 0x28,
              VK_INSERT_ = 0x2D, VK_DELETE_ = 0x2E;
constexpr int F(int n) { return 0x70 + n - 1; }

using namespace modifier;
constexpr unsigned NONE = 0, CTRL_SHIFT = ctrl | shift;

}  // namespace

std::vector<KeyBinding> default_key_bindings()
{
    // Rows with keys, in matching order. Some keys appear twice; the later
    // rows (1166, 1207, 1208) are never reached but keep their commands'
    // menu state in step with the document.
    std::vector<KeyBinding> rows = {
        {F(2), CM_SET_BREAKPOINT, NONE, false},
        {'X', CM_EXIT, alt | character_key, true},
        {F(4), CM_EXIT, alt, true},
        {VK_BACK_, CM_UNDO, alt | character_key, false},
        {VK_DELETE_, CM_CUT, shift, false},
        {VK_INSERT_, CM_COPY, ctrl, false},
        {VK_INSERT_, CM_PASTE, shift, false},
        {VK_DOWN_, CM_EXTEND_DOWN, shift, false},
        {VK_UP_, CM_EXTEND_UP, shift, false},
        {VK_RIGHT_, CM_EXTEND_RIGHT, shift, false},
        {VK_LEFT_, CM_EXTEND_LEFT, shift, false},
        {VK_DOWN_, CM_EXTEND_DOWN_2, shift, false},
        {VK_RIGHT_, CM_EXTEND_WORD_RIGHT, CTRL_SHIFT, false},
        {VK_LEFT_, CM_EXTEND_WORD_LEFT, CTRL_SHIFT, false},
        {VK_RIGHT_, CM_WORD_RIGHT, ctrl, false},
        {VK_LEFT_, CM_WORD_LEFT, ctrl, false},
        {VK_RIGHT_, CM_WORD_RIGHT_2, ctrl, false},
        {VK_LEFT_, CM_WORD_LEFT_2, ctrl, false},
        {VK_HOME_, CM_EXTEND_LINE_START, shift, false},
        {VK_END_, CM_EXTEND_LINE_END, shift, false},
        {VK_HOME_, CM_EXTEND_FILE_START, CTRL_SHIFT, false},
        {VK_END_, CM_EXTEND_FILE_END, CTRL_SHIFT, false},
        {VK_PRIOR_, CM_EXTEND_PAGE_UP, shift, false},
        {VK_NEXT_, CM_EXTEND_PAGE_DOWN, shift, false},
        {VK_ESCAPE_, CM_SHIFT_ESCAPE, shift, false},
        {F(11), CM_F11, NONE, false},
        {F(11), CM_RECENTER, ctrl, false},
        {VK_HOME_, CM_TOP_OF_FILE, ctrl, false},
        {VK_END_, CM_END_OF_FILE, ctrl, false},
        {F(12), CM_FUNCTIONS_LIST, NONE, false},
        {F(12), CM_STRUCTURES_LIST, alt, false},
        {F(12), CM_GOTO_LINE, ctrl, false},
        {F(3), CM_FIND_NEXT, NONE, false},
        {F(3), CM_FIND_PREVIOUS, ctrl, false},
        {F(3), CM_FIND, alt, false},
        {F(5), CM_DEBUGGER, NONE, false},
        {F(5), CM_EXECUTE_PROGRAM, ctrl, false},
        {F(7), CM_SET_BOOKMARK, NONE, false},
        {F(7), CM_GOTO_BOOKMARK, ctrl, false},
        {F(7), CM_NEXT_BOOKMARK, CTRL_SHIFT, false},
        {F(8), CM_SEARCH_DEFINITION, NONE, false},
        {F(8), CM_SYMBOL_USAGE, ctrl, false},
        {F(9), CM_MAKE, NONE, true},
        {F(9), CM_CTRL_F9, ctrl, false},
    };
    // Rows without keys: their menu items follow the document state.
    const int allowed_without_document[] = {
        CM_NEW, CM_OPEN, CM_CONFIGURATION, CM_EXECUTE, CM_ADD_UTILITY, CM_1127, CM_CLOSE_ALL,
        CM_1130, CM_GREP, CM_CHANGE_UTILITY, CM_1157, CM_1159, CM_1160, CM_DIFF, CM_CLOSE_PROJECT,
        CM_OPEN_BINARY, CM_OPEN_PROJECT, CM_CREATE_PROJECT, CM_PROJECT_FILES, CM_ERASE_PROJECT,
        CM_REDEFINE_KEYS, CM_OUTLINE,
    };
    for (int command : allowed_without_document)
        rows.push_back({0, command, NONE, true});
    // Commands that act on the current document.
    const int need_document[] = {
        CM_SAVE, CM_SAVE_AS, CM_SAVE_ALL, CM_RELOAD, CM_CLOSE, CM_PRINT, CM_INSERT_FILE,
        CM_COPY_FUNCTION, CM_COPY_TO_FILE, CM_LEVEL, CM_MARK_BLOCK, CM_SPACES_TO_TABS,
        CM_TABS_TO_SPACES, CM_DESCRIBE_FUNCTION, CM_DESCRIBE_FILE, CM_SHOW_CHANGES, CM_REFORMAT,
        CM_REPLACE, CM_GOTO, CM_SEARCH_FUNCTION, CM_ID, CM_IDENTIFY_FILE, CM_STRINGS,
        CM_GENERATE_HLP, CM_FILE_METRICS, CM_FUNCTION_METRICS, CM_WRITE_PROTOTYPES,
        CM_BROWSE_FN_DEFS, CM_SHOW_GLOBALS, CM_SLICE_BY_LOCAL, CM_AUDIT, CM_PUT, CM_GET,
        CM_DIFFERENCES, CM_FUNCTION_HISTORY, CM_REVISIONS, CM_SEE_LOG, CM_DISPOSITION,
    };
    for (int command : need_document)
        rows.push_back({0, command, NONE, false});
    return rows;
}

std::optional<int> match_key(std::span<const KeyBinding> table, int key, unsigned held)
{
    held &= modifier::held_keys;
    for (const KeyBinding& row : table)
        if (row.key != 0 && row.key == key && (row.modifiers & modifier::held_keys) == held)
            return row.command;
    return std::nullopt;
}

const KeyBinding* binding_of(std::span<const KeyBinding> table, int command)
{
    for (const KeyBinding& row : table)
        if (row.command == command)
            return &row;
    return nullptr;
}

void apply_redefined_keys(std::vector<KeyBinding>& table, std::span<const RedefinedKey> keys)
{
    for (const RedefinedKey& key : keys) {
        if (key.row < 0 || std::size_t(key.row) >= table.size())
            continue;
        table[std::size_t(key.row)].key = key.key;
        table[std::size_t(key.row)].modifiers = key.modifiers | modifier::redefined;
    }
}

std::vector<RedefinedKey> redefined_keys(std::span<const KeyBinding> table)
{
    std::vector<RedefinedKey> keys;
    for (std::size_t row = 0; row < table.size(); ++row)
        if (table[row].modifiers & modifier::redefined)
            keys.push_back({int(row), table[row].key, table[row].command, table[row].modifiers});
    return keys;
}

std::optional<int> remap_debug_key(int virtual_key)
{
    struct Remap {
        int key;
        int command;
    };
    static const Remap table[] = {{F(2), 300}, {F(7), 330}, {F(5), 340}, {F(8), 350}, {F(4), 360}};
    for (const Remap& row : table)
        if (row.key == virtual_key)
            return row.command;
    return std::nullopt;
}

}  // namespace vyn::shell
