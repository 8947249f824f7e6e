// Module-definition files: NAME, LIBRARY, EXPORTS and the statements whose
// values are read past.
#include "linker/linker.h"
#include "linker/words.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"

#include <array>
#include <cstdlib>

namespace vyn::lnk {

namespace {

enum class Keyword { Name, Library, Description, Stacksize, Exports, Version, None };

constexpr std::array<const char*, 6> kKeywords = {"NAME", "LIBRARY", "DESCRIPTION", "STACKSIZE", "EXPORTS",
                                                  "VERSION"};

Keyword lookup_keyword(const std::string& word)
{
    std::string upper = to_upper_ascii(word.substr(0, 49));
    for (std::size_t i = 0; i < kKeywords.size(); ++i)
        if (upper == kKeywords[i])
            return static_cast<Keyword>(i);
    return Keyword::None;
}

void set_name(Linker& l, std::string name)
{
    if (name.size() > 49)
        name.resize(49);
    if (name.find('.') == std::string::npos)
        name += l.settings.dll ? ".dll" : ".exe";
    l.settings.output_name = name;
    l.settings.output_name_given = true;
}

/* The ordinal written after "@" only produces messages: final ordinals are
   given by name order when the export table is built. */
void check_ordinal(Linker& l, int line, long n)
{
    if (n <= 0) {
        err(l, "Line %d Incorrect export ordinal %d\n", line, static_cast<int>(n));
    } else if (n < l.ordinal_counter) {
        err(l, "Ordinal %d already assigned\n", static_cast<int>(n));
    } else {
        l.ordinal_counter = static_cast<int>(n);
    }
}

/* The next word, with comments left out: a ';' starts a comment that runs
   to the end of its line, also when it follows a word without a blank. */
std::string next_word(WordReader& r)
{
    for (;;) {
        std::string word = r.next();
        std::size_t comment = word.find(';');
        if (comment == std::string::npos)
            return word;
        r.skip_line();
        if (comment > 0)
            return word.substr(0, comment);
    }
}

/* The word after a keyword or an "@", when it stands on the same line;
   otherwise nothing is consumed. */
std::string same_line_word(WordReader& r)
{
    std::size_t before = r.position();
    int line = r.line();
    std::string word = next_word(r);
    if (r.line() != line) {
        r.rewind(before, line);
        return {};
    }
    return word;
}

/* "name @n" or "name @ n": the ordinal after the name, when one is there. */
bool read_ordinal(Linker& l, WordReader& r)
{
    std::size_t before = r.position();
    int line = r.line();
    std::string following = same_line_word(r);
    if (following.empty() || following[0] != '@') {
        r.rewind(before, line);
        return false;
    }
    std::string number = following.size() > 1 ? following.substr(1) : same_line_word(r);
    check_ordinal(l, line, std::atol(number.c_str()));
    r.skip_line();
    return true;
}

/* Export lines up to the next keyword, which is left for the caller. */
void read_exports(Linker& l, WordReader& r)
{
    for (;;) {
        std::size_t before = r.position();
        int line_before = r.line();
        std::string name = next_word(r);
        if (name.empty())
            return;
        if (lookup_keyword(name) != Keyword::None) {
            r.rewind(before, line_before);
            return;
        }
        if (r.take_equals()) {
            std::string internal = next_word(r);
            if (!internal.empty())
                add_export(l, "_" + internal, name);
            continue;
        }
        read_ordinal(l, r);
        add_export(l, "_" + name, "");
    }
}

/* NAME and LIBRARY take the name on their own line; without one the
   output keeps its name. */
void read_name(Linker& l, WordReader& r, const char* keyword)
{
    int line = r.line();
    std::string name = same_line_word(r);
    if (name.empty()) {
        err(l, "Line %d: Name expected after %s\n", line, keyword);
        return;
    }
    set_name(l, name);
}

}  // namespace

/* Adds an export unless its decorated name is already listed. */
bool add_export(Linker& l, const std::string& decorated, const std::string& alias)
{
    for (const ExportDirective& e : l.exports)
        if (e.name == decorated)
            return false;
    ExportDirective e;
    e.name = decorated;
    e.alias = alias;
    e.ordinal = l.ordinal_counter++;
    l.exports.push_back(std::move(e));
    l.settings.exports_present = true;
    return true;
}

/* Reads a module-definition file statement by statement. A word that is not
   a keyword where a statement should begin ends the reading; what was read
   so far stays in effect. */
bool ProcessDefFile(Linker& l, const std::string& path)
{
    auto bytes = platform::read_file(winpath::to_host(path));
    if (!bytes) {
        err(l, "impossible to open %s\n", path.c_str());
        return false;
    }
    std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    WordReader r(text, 254);
    for (;;) {
        std::string word = next_word(r);
        if (word.empty())
            return true;
        switch (lookup_keyword(word)) {
        case Keyword::Name:
            read_name(l, r, "NAME");
            break;
        case Keyword::Library:
            l.settings.dll = true;
            l.settings.base_relocations = true;
            l.settings.entry_symbol = "__crtLibMain@12";
            l.settings.image_base = 0x10000000;
            read_name(l, r, "LIBRARY");
            break;
        case Keyword::Description:
        case Keyword::Stacksize:
        case Keyword::Version:
            r.skip_line();
            break;
        case Keyword::Exports:
            read_exports(l, r);
            break;
        case Keyword::None:
            err(l, "Line %d: Keyword expected", r.line());
            return false;
        }
    }
}

}  // namespace vyn::lnk
