// Revision numbers ("1.2", "1.2.1.1") and dates ("2026.12.8.2.15.0"): both
// are dot-separated decimal fields compared field by field as integers.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vyn::versions {

// The fields of a dotted number; empty when the text is not one (empty
// field, non-digit, a field beyond 9 digits).
std::vector<std::uint32_t> number_fields(std::string_view number);
std::string join_fields(const std::vector<std::uint32_t>& fields);
bool is_dotted_number(std::string_view text);

// <0, 0, >0 comparing field by field; a number that is a prefix of the other
// is the smaller.
int compare_numbers(std::string_view a, std::string_view b);

std::size_t field_count(std::string_view number);
// A revision (as opposed to a branch) has an even, non-zero count of fields.
bool is_revision_number(std::string_view number);
// The first count fields.
std::string leading_fields(std::string_view number, std::size_t count);
// The number with its last field increased by one.
std::string increment_last(std::string_view number);

// A date in the store's form "%d.%d.%d.%d.%d.%d" (local time).
std::string format_date(const std::tm& t);
std::string date_now();

}  // namespace vyn::versions
