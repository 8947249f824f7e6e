#include "ide/editor/language.h"

#include "common/strings.h"
#include "common/winpath.h"

#include <algorithm>

namespace vyn::editor {

bool Language::is_keyword(std::string_view word) const
{
    return std::find(keywords.begin(), keywords.end(), word) != keywords.end();
}

const Language& c_language()
{
    static const Language c{
        std::string(c_language_name),
        0,
        "C;H;CPP;HPP",
        {"const", "new", "class", "public", "private", "if", "for", "else", "do",
         "while", "break", "switch", "case", "continue", "return", "int", "long",
         "char", "short", "double", "unsigned", "extern", "register", "static",
         "float", "typedef", "union", "auto", "enum", "struct", "goto", "default",
         "entry", "void", "sizeof"}};
    return c;
}

const Language* language_for_file(std::string_view name)
{
    std::string_view ext = winpath::extension(name);
    if (ext.empty())
        return nullptr;
    ext.remove_prefix(1);
    const Language& c = c_language();
    for (const std::string& candidate : split(c.extensions, ';'))
        if (equals_nocase(candidate, ext))
            return &c;
    return nullptr;
}

}  // namespace vyn::editor
