#include "kit/coffar/exp_file.h"

#include <set>

#include "common/strings.h"

namespace vyn::coffar {

namespace {

std::vector<std::string> words_of(std::string_view line)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (is_blank(c)) {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

bool has_control_characters(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20)
            return true;
    return false;
}

}  // namespace

std::optional<ExportList> read_exp(std::string_view text, std::string& error)
{
    ExportList list;
    std::set<std::string> seen;
    std::vector<std::string> lines = split(text, '\n');
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string line = lines[i];
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        int number = static_cast<int>(i) + 1;
        if (i == 0) {
            list.dll = std::string(trim(line));
            if (list.dll.empty() || has_control_characters(list.dll)) {
                error = "line 1: the DLL name is missing";
                return std::nullopt;
            }
            continue;
        }
        std::vector<std::string> words = words_of(line);
        if (words.empty())
            continue;
        bool data = words.size() == 3 && words[2] == "data";
        bool shape = words.size() == 2 || data;
        if (!shape || has_control_characters(words[0]) || has_control_characters(words[1])) {
            error = format("line %d: expected a link name, an export name and optionally \"data\"", number);
            return std::nullopt;
        }
        if (!seen.insert(words[0]).second) {
            error = format("line %d: %s is exported twice", number, words[0].c_str());
            return std::nullopt;
        }
        list.exports.push_back({words[0], words[1], data});
    }
    if (lines.empty()) {
        error = "line 1: the DLL name is missing";
        return std::nullopt;
    }
    return list;
}

std::string write_exp(const ExportList& list)
{
    std::string out = list.dll + "\n";
    for (const Export& e : list.exports)
        out += e.link_name + "\t\t" + e.name + (e.data ? "\tdata\n" : "\n");
    return out;
}

}  // namespace vyn::coffar
