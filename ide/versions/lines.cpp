#include "ide/versions/lines.h"

#include <cstring>

namespace vyn::versions {

Lines::Lines(std::string text) : text_(std::move(text))
{
    starts_.clear();
    starts_.reserve(text_.size() / 32 + 2);
    starts_.push_back(0);
    const char* begin = text_.data();
    const char* end = begin + text_.size();
    for (const char* p = begin; p < end;) {
        const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (!nl)
            break;
        p = static_cast<const char*>(nl) + 1;
        starts_.push_back(static_cast<std::size_t>(p - begin));
    }
    if (starts_.back() != text_.size())
        starts_.push_back(text_.size());
}

std::string_view Lines::bare(std::size_t i) const
{
    std::string_view l = line(i);
    if (!l.empty() && l.back() == '\n')
        l.remove_suffix(1);
    return l;
}

}  // namespace vyn::versions
