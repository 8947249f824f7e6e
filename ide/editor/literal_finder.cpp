#include "ide/editor/literal_finder.h"

#include <cstring>

namespace vyn::editor {

namespace {

// Characters of C sources from the most to the least common; characters not
// listed are rarer still.
constexpr std::string_view common_first = " \tetnriaoscldu_pf()m;,*h=b.g/x-v>y0w1k2\"#{}ETNIARSOLCDUFPMHBGXVY";

std::size_t commonness(char c)
{
    std::size_t at = common_first.find(c);
    return at == std::string_view::npos ? 0 : common_first.size() - at;
}

}  // namespace

LiteralFinder::LiteralFinder(std::string literal) : literal_(std::move(literal))
{
    for (std::size_t i = 1; i < literal_.size(); ++i)
        if (commonness(literal_[i]) < commonness(literal_[rare_]))
            rare_ = i;
}

std::size_t LiteralFinder::find(std::string_view text, std::size_t from) const
{
    std::size_t length = literal_.size();
    if (length == 0)
        return from <= text.size() ? from : std::string_view::npos;
    if (text.size() < length || from > text.size() - length)
        return std::string_view::npos;
    const char* base = text.data();
    const char wanted = literal_[rare_];
    std::size_t at = from + rare_;
    std::size_t last = text.size() - length + rare_;  // the rare character's last possible place
    while (at <= last) {
        const void* hit = std::memchr(base + at, wanted, last - at + 1);
        if (hit == nullptr)
            return std::string_view::npos;
        std::size_t start = static_cast<std::size_t>(static_cast<const char*>(hit) - base) - rare_;
        if (std::memcmp(base + start, literal_.data(), length) == 0)
            return start;
        at = start + rare_ + 1;
    }
    return std::string_view::npos;
}

}  // namespace vyn::editor
