// Finding a literal in a line quickly. Lines are short and most hold no
// match, so the finder looks first for the literal's rarest character (by
// how often characters occur in C sources) with memchr, which skips most
// lines at once, and compares the whole literal only where that character is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vyn::editor {

class LiteralFinder {
public:
    LiteralFinder() = default;
    explicit LiteralFinder(std::string literal);

    const std::string& literal() const { return literal_; }
    // The first occurrence in text starting at or after from, or npos.
    std::size_t find(std::string_view text, std::size_t from = 0) const;

private:
    std::string literal_;
    std::size_t rare_ = 0;  // index of the rarest character of the literal
};

}  // namespace vyn::editor
