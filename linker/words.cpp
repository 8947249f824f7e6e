#include "linker/words.h"

namespace vyn::lnk {

void WordReader::skip_separators()
{
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) < '!') {
        if (text_[pos_] == '\n')
            ++line_;
        ++pos_;
    }
}

std::string WordReader::next()
{
    skip_separators();
    std::string word;
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) >= '!' && text_[pos_] != '=' &&
           word.size() < max_)
        word += text_[pos_++];
    if (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) >= '!' && text_[pos_] != '=')
        cut_ = true;
    return word;
}

bool WordReader::take_equals()
{
    skip_separators();
    if (pos_ < text_.size() && text_[pos_] == '=') {
        ++pos_;
        return true;
    }
    return false;
}

void WordReader::skip_line()
{
    while (pos_ < text_.size() && text_[pos_] != '\n')
        ++pos_;
}

}  // namespace vyn::lnk
