// The command table of the frame: the handlers of the commands the IDE
// carries out itself and those it hands to the editor.
#pragma once

namespace vyn::shell {

void add_frame_commands();

}  // namespace vyn::shell
