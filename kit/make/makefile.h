// The makefile model and its parser. Portable: it reads text and builds
// records; running commands and looking at files live elsewhere.
//
// Supported: macro definitions (=, :=, +=, ?=), explicit rules with one or
// more targets and commands, rule-line commands after ';', inference rules
// (".c.obj:" suffix rules and "%.obj: %.c" pattern rules), continuation
// lines, comments, "include"/"-include", ".PHONY" and ".SUFFIXES".
// A ':' that belongs to a drive letter ("c:\src") does not end a target list.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vyn::make {

// A macro as written: its text is expanded when it is used unless it was
// defined with ":=" (then it holds the text already expanded).
struct Macro {
    std::string value;
    bool simple = false;
};

struct Command {
    std::string text;   // as written, macros not yet expanded
    int line = 0;       // line of the makefile, for messages
};

struct Rule {
    std::vector<std::string> prerequisites;  // expanded when the rule was read
    std::vector<Command> commands;
    int line = 0;
};

// "%.obj: %.c" (or ".c.obj:" written as a suffix rule): target and
// prerequisite patterns each hold exactly one '%'.
struct InferenceRule {
    std::string target_pattern;
    std::string prerequisite_pattern;
    std::vector<std::string> extra_prerequisites;
    std::vector<Command> commands;
};

struct Makefile {
    std::map<std::string, Macro> macros;
    std::map<std::string, Rule> rules;       // by target name
    std::vector<InferenceRule> inference;    // in the order read; the first match wins
    std::vector<std::string> phony;
    std::string default_target;              // the first target that is not special
};

struct ParseError {
    std::string file;
    int line = 0;
    std::string message;
};

// Reads another makefile for an "include" line; nothing when it cannot be read.
using IncludeReader = std::optional<std::string> (*)(const std::string& name, void* context);

struct ParseContext {
    // Macros given on the command line: they win over the makefile's definitions.
    std::map<std::string, std::string> overrides;
    // Looked up for macros neither the command line nor the makefile define.
    std::map<std::string, std::string> environment;
    IncludeReader read_include = nullptr;
    void* include_context = nullptr;
    int include_depth_limit = 16;
};

// Parses text (the contents of the file called name) into makefile, adding to
// what it already holds. Nothing on success, else the first error.
std::optional<ParseError> parse_makefile(const std::string& text, const std::string& name, const ParseContext& context,
                                         Makefile& makefile);

// The logical lines of a makefile: continuations joined, each with the number
// of its first physical line. Command lines keep their leading tab.
struct LogicalLine {
    std::string text;
    int line = 0;
};
std::vector<LogicalLine> logical_lines(const std::string& text);

// The position of the ':' that separates targets from prerequisites, or npos.
// A ':' right after a lone drive letter and before a separator is a drive.
std::size_t find_rule_colon(const std::string& line);

// Splits at blanks (spaces and tabs), dropping empty words.
std::vector<std::string> split_words(const std::string& text);

}  // namespace vyn::make
