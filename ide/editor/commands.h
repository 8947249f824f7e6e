// Command ids and key codes that reach the text model from the window layer.
// The ids are the IDE's own (ide/command_ids.h), named here as the editor uses them.
#pragma once

#include "ide/command_ids.h"

namespace vyn::editor {

namespace cmd {
constexpr int undo = CM_UNDO;
constexpr int cut = CM_CUT;
constexpr int copy = CM_COPY;
constexpr int paste = CM_PASTE;
constexpr int extend_down = CM_EXTEND_DOWN;
constexpr int top_of_file = CM_TOP_OF_FILE;
constexpr int end_of_file = CM_END_OF_FILE;
constexpr int goto_line = CM_GOTO_LINE;
constexpr int copy_to_file = CM_COPY_TO_FILE;
constexpr int insert_file = CM_INSERT_FILE;
constexpr int set_bookmark = CM_SET_BOOKMARK;
constexpr int goto_bookmark = CM_GOTO_BOOKMARK;
constexpr int next_bookmark = CM_NEXT_BOOKMARK;
constexpr int erase_bookmark = CM_ERASE_BOOKMARK;
constexpr int extend_up = CM_EXTEND_UP;
constexpr int extend_right = CM_EXTEND_RIGHT;
constexpr int extend_left = CM_EXTEND_LEFT;
constexpr int word_right = CM_WORD_RIGHT;
constexpr int word_left = CM_WORD_LEFT;
constexpr int extend_word_right = CM_EXTEND_WORD_RIGHT;
constexpr int extend_to_file_start = CM_EXTEND_FILE_START;
constexpr int extend_to_file_end = CM_EXTEND_FILE_END;
constexpr int extend_to_line_end = CM_EXTEND_LINE_END;
constexpr int spaces_to_tabs = CM_SPACES_TO_TABS;
constexpr int tabs_to_spaces = CM_TABS_TO_SPACES;
constexpr int recenter = CM_RECENTER;
constexpr int extend_to_line_start = CM_EXTEND_LINE_START;
constexpr int extend_page_up = CM_EXTEND_PAGE_UP;
constexpr int extend_page_down = CM_EXTEND_PAGE_DOWN;
constexpr int extend_word_left = CM_EXTEND_WORD_LEFT;
constexpr int escape_to_frame = CM_ESCAPE;
}  // namespace cmd

// Virtual-key codes of the keys an edit window handles itself.
namespace key {
constexpr int back = 0x08;
constexpr int tab = 0x09;
constexpr int enter = 0x0D;
constexpr int escape = 0x1B;
constexpr int page_up = 0x21;
constexpr int page_down = 0x22;
constexpr int end = 0x23;
constexpr int home = 0x24;
constexpr int left = 0x25;
constexpr int up = 0x26;
constexpr int right = 0x27;
constexpr int down = 0x28;
constexpr int insert = 0x2D;
constexpr int del = 0x2E;
}  // namespace key

}  // namespace vyn::editor
