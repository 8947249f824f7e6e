#include "ide/editor/language.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/editor/document.h"

#include <algorithm>

namespace vyn::editor {

namespace {

unsigned bucket_of(std::string_view word)
{
    unsigned sum = 0;
    for (char c : word)
        sum += static_cast<unsigned char>(c);
    return sum % keyword_buckets;
}

const std::vector<std::string>& c_keywords()
{
    static const std::vector<std::string> words{
        "const", "new", "class", "public", "private", "if", "for", "else", "do", "while", "break", "switch",
        "case", "continue", "return", "int", "long", "char", "short", "double", "unsigned", "extern", "register",
        "static", "float", "typedef", "union", "auto", "enum", "struct", "goto", "default", "entry", "void",
        "sizeof"};
    return words;
}

const std::vector<std::string>& pascal_keywords()
{
    static const std::vector<std::string> words{
        "repeat", "file", "else", "with", "true", "pointer", "function", "type", "case", "while", "var",
        "implementation", "until", "unit", "if", "external", "end", "const", "or", "and", "string", "of",
        "boolean", "to", "then", "uses", "longint", "do", "array", "for", "integer", "interface", "begin",
        "record", "real", "procedure", "function", "program", "nil", "div", "downto", "forward", "label", "shl",
        "shr", "packed", "forward"};
    return words;
}

const std::vector<std::string>& fortran_keywords()
{
    static const std::vector<std::string> words{
        "if", "do", "continue", "parameter", "else", "common", "return", "end", "subroutine", "go", "to", "data",
        "dimension", "format", "enddo", "call", "endif", "integer", "real", "double", "precision", "complex",
        "logical", "character", ".gt.", ".ne.", ".le.", "then", "stop"};
    return words;
}

std::unique_ptr<Language> built_in(std::string name, int code, std::string extensions, std::string comments,
                                   std::string strings, std::uint16_t flags, const std::vector<std::string>& keywords)
{
    auto language = std::make_unique<Language>();
    language->name = std::move(name);
    language->code = code;
    language->extensions = std::move(extensions);
    language->comment_chars = std::move(comments);
    language->string_chars = std::move(strings);
    language->flags = flags;
    language->built_in = true;
    language->keywords = keywords;
    language->rebuild_tables();
    return language;
}

}  // namespace

bool Language::is_keyword(std::string_view word) const
{
    if (no_case()) {
        std::string lower = to_lower_ascii(word);
        const std::vector<std::string>& bucket = table[bucket_of(lower)];
        return std::find(bucket.begin(), bucket.end(), lower) != bucket.end();
    }
    const std::vector<std::string>& bucket = table[bucket_of(word)];
    return std::find(bucket.begin(), bucket.end(), word) != bucket.end();
}

void Language::add_keywords(const std::vector<std::string>& words)
{
    for (const std::string& word : words)
        if (!word.empty())
            keywords.push_back(word);
    rebuild_tables();
}

void Language::rebuild_tables()
{
    keyword_chars.fill(false);
    for (std::vector<std::string>& bucket : table)
        bucket.clear();
    for (const std::string& word : keywords) {
        table[bucket_of(word)].push_back(word);
        for (char c : word) {
            keyword_chars[static_cast<unsigned char>(c)] = true;
            if (no_case() && c >= 'a' && c <= 'z')
                keyword_chars[static_cast<unsigned char>(upper_ascii(c))] = true;
        }
    }
    keyword_chars[static_cast<unsigned char>('_')] = true;
}

LanguageList::LanguageList()
{
    // Made in this order, so that the list (newest first) holds them reversed.
    languages_.push_back(built_in("Pascal", langcode::pascal_code, "PAS", "{}(*)", "'", 5, pascal_keywords()));
    languages_.push_back(built_in("Fortran", langcode::fortran_code, "F", ";", "'", 7, fortran_keywords()));
    languages_.push_back(built_in("Assembly", langcode::assembly_code, "ASM", ";", "'", 7, {}));
    languages_.back()->start_function = "^[A-Za-z_][_A-Za-z0-9]+[ \t]+PROC[ \t]";
    languages_.back()->end_function = "^[A-Za-z_][A-Za-z0-9]+[ \t]+ENDP[ \t]";
    languages_.push_back(built_in(std::string(c_language_name), langcode::c_code, "C;H;CPP;HPP", "/*", "'\"", 1, c_keywords()));
    c_ = languages_.back().get();
}

Language& LanguageList::define(const LanguageSettings& settings)
{
    Language* language = nullptr;
    for (const std::unique_ptr<Language>& candidate : languages_)
        if (candidate->built_in && candidate->name == settings.name)
            language = candidate.get();
    if (language == nullptr) {
        languages_.push_back(std::make_unique<Language>());
        language = languages_.back().get();
        language->name = settings.name;
        language->code = static_cast<int>(settings.code.value_or(-1));
    }
    auto take = [](std::string& field, const std::string& value) {
        if (!value.empty() || field.empty())
            field = value;
    };
    take(language->extensions, settings.extensions);
    take(language->start_function, settings.start_function);
    take(language->end_function, settings.end_function);
    take(language->comment_chars, settings.comment_chars);
    take(language->string_chars, settings.string_chars);
    if (settings.icon)
        language->icon = settings.icon;
    language->flags = static_cast<std::uint16_t>(settings.flags);
    language->add_keywords(settings.keywords);
    return *language;
}

std::vector<const Language*> LanguageList::all() const
{
    std::vector<const Language*> newest_first;
    for (auto it = languages_.rbegin(); it != languages_.rend(); ++it)
        newest_first.push_back(it->get());
    return newest_first;
}

const Language* LanguageList::for_file(std::string_view file_name) const
{
    std::string_view ext = winpath::extension(file_name);
    if (ext.empty())
        return nullptr;
    ext.remove_prefix(1);
    for (const Language* language : all())
        for (const std::string& candidate : split(language->extensions, ';'))
            if (!candidate.empty() && equals_nocase(candidate, ext))
                return language;
    return nullptr;
}

const Language* LanguageList::find(std::string_view name) const
{
    for (const Language* language : all())
        if (language->name == name)
            return language;
    return nullptr;
}

bool is_preprocessor_directive(std::string_view word)
{
    static const std::string_view directives[] = {"assert", "define", "elif", "else",   "endif",  "if",   "ifdef",
                                                  "ifndef", "include", "line", "pragma", "undef", "error"};
    return std::find(std::begin(directives), std::end(directives), word) != std::end(directives);
}

LanguageList& language_list()
{
    static LanguageList list;
    return list;
}

const Language& c_language()
{
    return language_list().c();
}

const Language* language_for_file(std::string_view name)
{
    return language_list().for_file(name);
}

void attach_language(Document& document, const Language* language)
{
    document.language = language;
    document.flags &= static_cast<std::uint16_t>(~(docflag::c_source | docflag::comments_valid));
    document.comments.clear();
    document.change_hook = nullptr;
    if (language == nullptr)
        return;
    if (language == &c_language())
        document.flags |= docflag::c_source;
    // Characters that can start, end or hide a comment: the comment and
    // string characters, the backslash (escapes and "//" continuations),
    // line breaks, and for C the slash and star; in Fortran any first-column
    // character decides whether the line is a comment.
    std::string significant = language->comment_chars + language->string_chars + "\\\n";
    if (language->code == langcode::c_code)
        significant += "/*";
    bool first_column = language->code == langcode::fortran_code;
    Document* target = &document;
    document.change_hook = [target, significant, first_column](int, int column, char c) {
        if ((first_column && column == 0) || significant.find(c) != std::string::npos)
            target->flags &= static_cast<std::uint16_t>(~docflag::comments_valid);
    };
}

}  // namespace vyn::editor
