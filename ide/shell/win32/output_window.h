// The output window docked across the bottom of the frame (class
// "TavraOutput"): the list (4801) that the build, the search tools and the
// debugger fill, the toggle button (5000) that opens and closes it, the page
// buttons, the status text and short coloured messages at the right end of
// the bottom row. Other parts talk to it through its messages (8024-8049).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vyn::shell {

// The double-click handler set with message 8026: called with the list.
using OutputClickHandler = void (*)(HWND list);

bool register_output_class(HINSTANCE instance);
HWND create_output_window();
void show_status_text(const std::string& text);

// Conveniences for the parts that fill the list (GUI thread only).
void output_add_line(const std::string& line);
std::vector<std::string> output_lines();
HWND output_list();
// A short message in red, cleared after 3 seconds (message 8038).
void output_message(const std::string& text);
// Where message 26024 takes the stop request from (it answers with it and
// clears it).
void set_stop_request_source(int (*take)());

}  // namespace vyn::shell
