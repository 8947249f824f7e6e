// The bits of the EditorFlags setting, as the configuration dialog's
// "General settings" set them. The editor acts on the first three; the
// output window and the build on the others.
#pragma once

namespace vyn::editor::editorflag {

constexpr unsigned auto_indent = 0x01;
constexpr unsigned check_syntax = 0x02;
constexpr unsigned backups = 0x04;
constexpr unsigned small_output_font = 0x08;
constexpr unsigned save_before_build = 0x10;

}  // namespace vyn::editor::editorflag
