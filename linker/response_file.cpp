// "@file" arguments: every word of the file becomes one argument.
#include "linker/linker.h"
#include "linker/words.h"

#include "common/winpath.h"
#include "platform/files.h"

namespace vyn::lnk {

/* The words of a response file, in order. Reading stops at the first empty
   word, which is also what a '=' produces: nothing after it is read. Words
   are at most 299 characters; a longer run continues as the next word. */
std::vector<std::string> split_words(std::string_view text)
{
    std::vector<std::string> words;
    WordReader reader(text, 299);
    for (;;) {
        std::string word = reader.next();
        if (word.empty())
            break;
        words.push_back(std::move(word));
    }
    return words;
}

std::vector<std::string> ProcessAtFile(Linker& l, const std::string& name)
{
    auto bytes = platform::read_file(winpath::to_host(name));
    if (!bytes) {
        err(l, "impossible to open %s\n", name.c_str());
        // An unreadable response file fails the command line.
        xexit(l, 1);
    }
    std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    return split_words(text);
}

}  // namespace vyn::lnk
