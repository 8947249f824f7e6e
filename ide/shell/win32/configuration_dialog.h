// The configuration dialog: "General settings" (the editor flags), the
// save-configuration flag, the open-files toolbar, the tab size, the current
// directory and the compiler path.
#pragma once

namespace vyn::shell {

void run_configuration_dialog();

}  // namespace vyn::shell
