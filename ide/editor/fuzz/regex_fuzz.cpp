// A pattern (the bytes up to the first line-feed) and a subject (the rest):
// compiling must either refuse with a message or give a program that runs to
// a result within the step budget, with group spans inside the subject.
#include "ide/editor/regex.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t cut = input.find('\n');
    std::string_view pattern = input.substr(0, cut);
    std::string_view subject = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);

    std::string message;
    std::optional<vyn::editor::CompiledRegex> re = vyn::editor::compile_regex(pattern, message);
    if (!re) {
        if (message.empty())
            std::abort();
        return 0;
    }
    if (re->program.size() >= vyn::editor::regex_max_program)
        std::abort();
    for (std::size_t from : {std::size_t(0), subject.size() / 2}) {
        // A smaller budget than the editor's keeps pathological inputs quick.
        vyn::editor::RegexStatus status = vyn::editor::execute_regex(*re, subject, from, 20000);
        if (status == vyn::editor::RegexStatus::bad_program)
            std::abort();
        if (status != vyn::editor::RegexStatus::matched)
            continue;
        for (int g = 0; g < vyn::editor::regex_groups; ++g) {
            int start = re->start[static_cast<std::size_t>(g)];
            int end = re->end[static_cast<std::size_t>(g)];
            if (start > static_cast<int>(subject.size()) || end > static_cast<int>(subject.size()))
                std::abort();
        }
        if (re->start[0] < static_cast<int>(from) || re->end[0] < re->start[0])
            std::abort();
    }
    return 0;
}
