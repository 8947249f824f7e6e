// "@file" arguments: every word of the file becomes one argument.
#include "linker/linker.h"
#include "linker/words.h"

#include "common/winpath.h"
#include "platform/files.h"

namespace vyn::lnk {

constexpr std::size_t kMaxWord = 299;

/* The words of a response file, in order. Reading stops at the first empty
   word, which is also what a '=' produces: nothing after it is read. Nothing
   when a word is longer than 299 characters: cut into pieces, it would
   become several arguments that the user never wrote. */
std::optional<std::vector<std::string>> split_words(std::string_view text)
{
    std::vector<std::string> words;
    WordReader reader(text, kMaxWord);
    for (;;) {
        std::string word = reader.next();
        if (reader.cut_a_word())
            return std::nullopt;
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
    auto words = split_words(text);
    if (!words) {
        err(l, "%s: word longer than %d characters\n", name.c_str(), static_cast<int>(kMaxWord));
        xexit(l, 1);
    }
    return *words;
}

}  // namespace vyn::lnk
