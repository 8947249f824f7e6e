// The IDE's settings as kept under HKEY_CURRENT_USER\Software\vyn\Tavra:
// every global value with its default, and the lists stored beside them
// (utilities, languages, macros, redefined keys, projects, open files).
// Every value is a string; numbers are decimal text.
#pragma once

#include "ide/editor/editor_flags.h"

#include <optional>
#include <string>
#include <vector>

namespace vyn::shell {

namespace editor_flag = vyn::editor::editorflag;

struct Utility {
    std::string nickname, progname, progargs, start_dir, id;
};

struct LanguageDefinition {
    std::string name, extension, start_function, end_function, comment_char, string_chars;
    std::optional<std::string> icon;  // written only when set
    long flags = 1;
    std::optional<long> code;         // kept for languages that are not built in
    std::vector<std::string> keywords;
};

struct KeyboardMacro {
    char code = 0;         // the macro's letter
    long position = 0;     // how far right the cursor goes after the text
    std::string text;      // line breaks as '\n' (stored as the code 010)
};

struct RedefinedKey {
    int row = 0;       // index into the key binding table
    int key = 0;
    int command = 0;
    unsigned modifiers = 0;
};

struct OpenFileEntry {
    std::string name;
    long line = 1;  // 1-based cursor line
    long left = 0, top = 0, right = 0, bottom = 0;  // left < 0: minimised, right < 0: maximised
};

struct Settings {
    std::string status_bar;  // "%d,%d,%d,%d" or empty
    long tab_size = 4;
    long find_flags = 0;
    long comment_color = 0x808080;
    long keyword_color = 0x0000C0;
    long editor_flags = 15;
    long grep = 0;
    long font_height = -13;
    long font_style = 0;
    long print = 1053;
    long frame_zoomed = 0;
    long font_family = 0x31;
    long text_color = 0;
    long background_color = 0xFFFFFF;
    std::string printer_font_name = "Courier New";
    long printer_font_size = 0;
    long sub_scroll = 1;
    std::vector<Utility> utilities;
    std::vector<LanguageDefinition> languages;
    std::vector<KeyboardMacro> macros;
    std::vector<RedefinedKey> accelerators;
    std::vector<std::string> projects;
    std::string current_project;
    long include_flags = 1;
    std::string win_help_database;
    std::string current_dir;  // the directory at start when not stored
    std::string font_name = "Courier";
    long indent_options = 0;
    std::string debugger_arguments, debugger_dir, debugger_exe_name;
    long debugger_flags = 0;
    long indent_constants = 0;
    std::string current_file;  // "untitled" reads back as none
    long frame_x = 0, frame_y = 0, frame_cx = 0, frame_cy = 0;
    std::vector<OpenFileEntry> open_files;
};

// The macro text in its stored form: three-digit character codes, 21
// characters to a value, and back. Decoding refuses malformed text.
std::vector<std::string> encode_macro_text(const std::string& text);
std::optional<std::string> decode_macro_text(const std::vector<std::string>& values);

std::string format_open_file(const OpenFileEntry& entry);
std::optional<OpenFileEntry> parse_open_file(const std::string& value);

std::string format_accelerator(const RedefinedKey& key);
std::optional<RedefinedKey> parse_accelerator(const std::string& value);

// The tab size that the configuration dialog keeps: 1 to 8, else 4.
long valid_tab_size(long tab_size);

}  // namespace vyn::shell
