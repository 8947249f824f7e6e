// The Find ("Search"), Search and replace, "Replace" confirmation and
// "Goto" dialogs, and the search commands they serve: Find (1137), Find
// next (1135), Find previous (1136), Replace (1120) and Goto (1264).
#pragma once

namespace vyn::shell {

// Adds the search commands to the dispatcher. The dialogs start from the
// FindFlags of the settings and store their choice there.
void add_search_commands();

}  // namespace vyn::shell
