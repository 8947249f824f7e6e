#include "ide/shell/later_commands.h"

#include "ide/command_ids.h"

namespace vyn::shell {

namespace {

struct LaterCommand {
    int command;
    const char* owner;
};

const LaterCommand kLaterCommands[] = {
    {CM_MARK_BLOCK, "block marking"},
    {CM_F11, "source scanning"},
    {CM_SHIFT_ESCAPE, "source scanning"},
    {CM_FUNCTIONS_LIST, "source scanning"},
    {CM_SEARCH_FUNCTION, "source scanning"},
    {CM_SEARCH_DEFINITION, "source scanning"},
    {CM_SYMBOL_USAGE, "source scanning"},
    {CM_COPY_FUNCTION, "source scanning"},
    {CM_GREP, "grep"},
    {CM_REDEFINE_KEYS, "keys, accelerators and macros"},
    {CM_DEBUGGER, "debugger"},
    {CM_BREAKPOINTS, "debugger"},
    {CM_SET_BREAKPOINT, "debugger"},
    {CM_OPEN_BINARY, "debugger"},
    {CM_PROFILER, "profiler"},
    {CM_DIFF, "differences, patch and merge"},
    {CM_APPLY_PATCH, "differences, patch and merge"},
    {CM_GET, "version control"},
    {CM_GET_ALL, "version control"},
    {CM_PUT, "version control"},
    {CM_PUT_ALL, "version control"},
    {CM_CHANGE_LOCKS, "version control"},
    {CM_SEE_LOCKS, "version control"},
    {CM_DIFFERENCES, "version control"},
    {CM_FUNCTION_HISTORY, "version control"},
    {CM_REVISIONS, "version control"},
    {CM_SEE_LOG, "version control"},
    {CM_VERSION_DEFAULTS, "version control"},
    {CM_ERASE_REVISIONS, "version control"},
    {CM_QUERY, "version control"},
    {CM_SEE_OPERATIONS, "version control"},
    {CM_SAVE_RELEASE, "version control"},
    {CM_GET_RELEASE, "version control"},
    {CM_SHOW_RELEASE, "version control"},
    {CM_OBJ_XREF, "object-file cross-reference"},
    {CM_FUNCTION_TREE, "function call tree"},
    {CM_STRINGS, "string table extraction"},
    {CM_PRINT, "analysis tools"},
    {CM_DESCRIBE_FUNCTION, "analysis tools"},
    {CM_DESCRIBE_FILE, "analysis tools"},
    {CM_SHOW_CHANGES, "analysis tools"},
    {CM_REFORMAT, "analysis tools"},
    {CM_STRUCTURES_LIST, "analysis tools"},
    {CM_ID, "analysis tools"},
    {CM_IDENTIFY_FILE, "analysis tools"},
    {CM_GENERATE_HLP, "analysis tools"},
    {CM_FILE_METRICS, "analysis tools"},
    {CM_FUNCTION_METRICS, "analysis tools"},
    {CM_WRITE_PROTOTYPES, "analysis tools"},
    {CM_BROWSE_FN_DEFS, "analysis tools"},
    {CM_SHOW_GLOBALS, "analysis tools"},
    {CM_SLICE_BY_LOCAL, "analysis tools"},
    {CM_FILE_RELATIONS, "analysis tools"},
    {CM_AUDIT, "analysis tools"},
};

}  // namespace

std::optional<std::string_view> later_command_owner(int command)
{
    for (const LaterCommand& row : kLaterCommands)
        if (row.command == command)
            return row.owner;
    return std::nullopt;
}

}  // namespace vyn::shell
