// Command ids and key codes that reach the text model from the window layer.
#pragma once

namespace vyn::editor {

namespace cmd {
constexpr int undo = 1110;
constexpr int cut = 1111;
constexpr int copy = 1112;
constexpr int paste = 1113;
constexpr int extend_down = 1115;
constexpr int top_of_file = 1121;
constexpr int end_of_file = 1122;
constexpr int goto_line = 1123;
constexpr int copy_to_file = 1126;
constexpr int insert_file = 1139;
constexpr int set_bookmark = 1142;
constexpr int goto_bookmark = 1143;
constexpr int next_bookmark = 1144;
constexpr int erase_bookmark = 1145;
constexpr int extend_up = 1153;
constexpr int extend_right = 1154;
constexpr int extend_left = 1155;
constexpr int word_right = 1163;
constexpr int word_left = 1164;
constexpr int extend_word_right = 1165;
constexpr int extend_to_file_start = 1171;
constexpr int extend_to_file_end = 1172;
constexpr int extend_to_line_end = 1188;
constexpr int spaces_to_tabs = 1189;
constexpr int tabs_to_spaces = 1190;
constexpr int recenter = 1191;
constexpr int extend_to_line_start = 1199;
constexpr int extend_page_up = 1211;
constexpr int extend_page_down = 1212;
constexpr int extend_word_left = 1272;
constexpr int escape_to_frame = 1280;  // sent to the frame by Escape
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
