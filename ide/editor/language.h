// The little the text model needs to know of a language: its name, the
// extensions of its files and its keywords. The display code extends the
// built-in definitions with colouring and the registry's own languages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vyn::editor {

struct Language {
    std::string name;
    int code = 0;
    std::string extensions;  // without dots, separated by semicolons
    std::vector<std::string> keywords;

    bool is_keyword(std::string_view word) const;
};

// The name the C language is known by; syntax checks and automatic
// indentation apply to documents of this language only.
inline constexpr std::string_view c_language_name = "C Language";

const Language& c_language();
// The built-in language whose extension list holds the extension of name
// (compared without regard to case), or nullptr.
const Language* language_for_file(std::string_view name);

}  // namespace vyn::editor
