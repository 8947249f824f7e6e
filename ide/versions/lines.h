// A text split into lines. Each line keeps its terminating newline; only the
// last line of a text may lack one, and that difference is kept so that
// every text survives a round trip through the store byte for byte.
//
// Invariant: starts_ holds size()+1 offsets, starts_[0] == 0 and
// starts_.back() == text_.size(); line i is text_[starts_[i], starts_[i+1]).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vyn::versions {

// Counts and line numbers for printf-style formats, which have no portable
// size_t conversion on every C runtime this builds for.
inline unsigned long ul(std::size_t value)
{
    return static_cast<unsigned long>(value);
}

class Lines {
public:
    Lines() : starts_{0} {}
    explicit Lines(std::string text);

    std::size_t size() const { return starts_.size() - 1; }
    bool empty() const { return size() == 0; }
    // Line i with its newline (if it has one).
    std::string_view line(std::size_t i) const
    {
        return std::string_view(text_).substr(starts_[i], starts_[i + 1] - starts_[i]);
    }
    // Line i without its newline.
    std::string_view bare(std::size_t i) const;
    // Lines [first, first + count) as one piece of text.
    std::string_view range(std::size_t first, std::size_t count) const
    {
        return std::string_view(text_).substr(starts_[first], starts_[first + count] - starts_[first]);
    }
    const std::string& text() const { return text_; }

private:
    std::string text_;
    std::vector<std::size_t> starts_;
};

}  // namespace vyn::versions
