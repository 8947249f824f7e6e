// The ids of ide/command_ids.h are shared by every part of the IDE, and two
// branches adding ids at once can pick the same numbers. A dialog template,
// a string or a command that shares its number with another silently takes
// the other's place in the resources.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

TEST(CommandIds, NoTwoTemplatesStringsOrCommandsShareANumber)
{
    std::ifstream header(VYN_COMMAND_IDS_HEADER);
    ASSERT_TRUE(header) << VYN_COMMAND_IDS_HEADER;
    const std::regex define(R"(^#define\s+((IDD|IDS|CM)_\w+)\s+(\d+)\b)");
    std::map<std::string, std::map<long, std::string>> by_kind;  // prefix -> number -> name
    std::vector<std::string> clashes;
    std::size_t read = 0;
    for (std::string line; std::getline(header, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, define))
            continue;
        ++read;
        auto [at, added] = by_kind[m[2]].emplace(std::stol(m[3]), m[1]);
        if (!added)
            clashes.push_back(at->second + " and " + m[1].str() + " are both " + m[3].str());
    }
    EXPECT_GT(read, 100u);  // the header was really read
    for (const std::string& clash : clashes)
        ADD_FAILURE() << clash;
}

}  // namespace
