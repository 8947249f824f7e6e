// Language definitions: the extensions of a language's files, its comment
// and string characters, its keywords (a 13-bucket hash table with the table
// of characters that occur in them), its function patterns and flags.
//
// The IDE keeps one list of languages, newest first: the four built-in ones
// are made at start, then each definition from the settings either updates
// the built-in language of the same name or goes in front as a new one.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyn::editor {

struct Document;

namespace langflag {
constexpr std::uint16_t no_case = 0x0004;  // keywords compared without regard to case
}

// The built-in kinds, by code.
namespace langcode {
constexpr int c_code = 0;
constexpr int fortran_code = 3;
constexpr int pascal_code = 4;
constexpr int assembly_code = 5;
}  // namespace langcode

inline constexpr int keyword_buckets = 13;

struct Language {
    std::string name;
    int code = 0;
    std::string extensions;  // without dots, separated by semicolons
    std::vector<std::string> keywords;  // in the order they were defined
    std::uint16_t flags = 1;
    std::string comment_chars;
    std::string string_chars;
    std::string start_function;  // regular expressions; empty when the language's own finder is used
    std::string end_function;
    std::optional<std::string> icon;
    bool built_in = false;

    // Characters occurring in any keyword (and their upper-case forms in a
    // case-insensitive language), and the underscore.
    std::array<bool, 256> keyword_chars{};
    std::array<std::vector<std::string>, keyword_buckets> table;

    bool no_case() const { return (flags & langflag::no_case) != 0; }
    bool is_keyword_char(char c) const { return keyword_chars[static_cast<unsigned char>(c)]; }
    // Looks word up in the table, lower-cased first in a case-insensitive language.
    bool is_keyword(std::string_view word) const;
    bool has_keywords() const { return !keywords.empty(); }
    // Adds keywords to the list and rebuilds the table and the character table.
    void add_keywords(const std::vector<std::string>& words);
    void rebuild_tables();
};

// A language as the settings hold it (Language%d and its values).
struct LanguageSettings {
    std::string name;
    std::string extensions;
    std::string start_function;
    std::string end_function;
    std::string comment_chars;
    std::string string_chars;
    std::optional<std::string> icon;
    long flags = 1;
    std::optional<long> code;  // used only for languages that are not built in
    std::vector<std::string> keywords;
};

class LanguageList {
public:
    // The four built-in languages.
    LanguageList();

    // Updates the built-in language of the same name (its texts where the
    // settings give them, its flags, its added keywords), or puts a new
    // language in front of the list.
    Language& define(const LanguageSettings& settings);

    // The first language, in list order, whose extension list holds the
    // extension of file_name (compared without regard to case); or nullptr.
    const Language* for_file(std::string_view file_name) const;
    const Language* find(std::string_view name) const;
    const Language& c() const { return *c_; }
    std::vector<const Language*> all() const;

private:
    std::vector<std::unique_ptr<Language>> languages_;  // newest first
    const Language* c_ = nullptr;
};

// The name the C language is known by; syntax checks and automatic
// indentation apply to documents of this language only.
inline constexpr std::string_view c_language_name = "C Language";

// The preprocessor directives coloured on lines that start with "#".
bool is_preprocessor_directive(std::string_view word);

// The IDE's language list.
LanguageList& language_list();
const Language& c_language();
// language_list().for_file(name).
const Language* language_for_file(std::string_view name);

// Gives a document its language: the C-source flag for the C language, and
// the change hook that drops the comment regions when a character that may
// open or close a comment is inserted or deleted.
void attach_language(Document& document, const Language* language);

}  // namespace vyn::editor
