// The word reader shared by response files and module-definition files:
// words are separated by any character below '!', and '=' also ends a word
// without being taken into it, so the word after it is empty.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vyn::lnk {

class WordReader {
public:
    WordReader(std::string_view text, std::size_t max_length) : text_(text), max_(max_length) {}

    // The next word (empty at the end or at a '='). Counts line ends passed.
    // A longer run of word characters than the maximum is cut, and noted.
    std::string next();
    bool cut_a_word() const { return cut_; }
    // Consumes a '=' standing at the current position (after blanks).
    bool take_equals();
    // Skips to the start of the next line.
    void skip_line();
    bool at_end() const { return pos_ >= text_.size(); }
    int line() const { return line_; }
    std::size_t position() const { return pos_; }
    void rewind(std::size_t pos, int line) { pos_ = pos; line_ = line; }

private:
    void skip_separators();

    std::string_view text_;
    std::size_t max_;
    std::size_t pos_ = 0;
    int line_ = 1;
    bool cut_ = false;
};

}  // namespace vyn::lnk
