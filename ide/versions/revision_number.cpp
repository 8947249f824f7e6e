#include "ide/versions/revision_number.h"

#include "common/strings.h"

namespace vyn::versions {

std::vector<std::uint32_t> number_fields(std::string_view number)
{
    std::vector<std::uint32_t> fields;
    std::size_t start = 0;
    if (number.empty())
        return {};
    for (;;) {
        std::size_t dot = number.find('.', start);
        std::string_view field = number.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (field.empty() || field.size() > 9)
            return {};
        std::uint32_t value = 0;
        for (char c : field) {
            if (c < '0' || c > '9')
                return {};
            value = value * 10 + static_cast<std::uint32_t>(c - '0');
        }
        fields.push_back(value);
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    return fields;
}

std::string join_fields(const std::vector<std::uint32_t>& fields)
{
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            out += '.';
        out += std::to_string(fields[i]);
    }
    return out;
}

bool is_dotted_number(std::string_view text)
{
    return !number_fields(text).empty();
}

int compare_numbers(std::string_view a, std::string_view b)
{
    std::vector<std::uint32_t> fa = number_fields(a), fb = number_fields(b);
    for (std::size_t i = 0; i < fa.size() && i < fb.size(); ++i)
        if (fa[i] != fb[i])
            return fa[i] < fb[i] ? -1 : 1;
    if (fa.size() != fb.size())
        return fa.size() < fb.size() ? -1 : 1;
    return 0;
}

std::size_t field_count(std::string_view number)
{
    return number_fields(number).size();
}

bool is_revision_number(std::string_view number)
{
    std::size_t n = field_count(number);
    return n > 0 && n % 2 == 0;
}

std::string leading_fields(std::string_view number, std::size_t count)
{
    std::vector<std::uint32_t> f = number_fields(number);
    if (f.size() > count)
        f.resize(count);
    return join_fields(f);
}

std::string increment_last(std::string_view number)
{
    std::vector<std::uint32_t> f = number_fields(number);
    if (f.empty())
        return {};
    f.back()++;
    return join_fields(f);
}

std::string format_date(const std::tm& t)
{
    return format("%d.%d.%d.%d.%d.%d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

std::string date_now()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return format_date(local);
}

}  // namespace vyn::versions
