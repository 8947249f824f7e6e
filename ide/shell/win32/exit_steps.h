// What happens when the IDE is asked to close (frame close, end of the
// session, Exit, and the first steps of Close all).
#pragma once

#include <functional>

#include "ide/editor/document.h"

namespace vyn::shell {

// The "Modified files" question for every modified document that is not a
// tool buffer: Save all, Forget or Cancel. False when the user cancelled or a
// save failed.
bool confirm_modified_documents();
// The same question for the modified documents that which selects.
bool confirm_modified_documents(const std::function<bool(const vyn::editor::Document&)>& which);
// Closes every edit window without asking.
void close_all_edit_windows();
// The exit steps up to writing the configuration; false when the exit stops.
bool run_exit_steps();
// Writes the configuration now (frame placement, open files, settings).
void save_configuration();

}  // namespace vyn::shell
