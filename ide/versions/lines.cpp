#include "ide/versions/lines.h"

namespace vyn::versions {

Lines::Lines(std::string text) : text_(std::move(text))
{
    starts_.clear();
    starts_.push_back(0);
    for (std::size_t i = 0; i < text_.size(); ++i)
        if (text_[i] == '\n')
            starts_.push_back(i + 1);
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
