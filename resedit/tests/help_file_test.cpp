#include "resedit/help_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vyn::resedit {
namespace {

TEST(HelpFile, BesideTheProgramThenInTheKitsDocDirectory)
{
    EXPECT_EQ(help_file_candidates("C:\\vyn\\bin\\tavrares.exe"),
              (std::vector<std::string>{"C:\\vyn\\bin\\tavrares.html", "C:\\vyn\\doc\\tavrares.html"}));
    EXPECT_EQ(help_file_candidates("tavrares.exe"), (std::vector<std::string>{".\\tavrares.html"}));
}

// The page installed with the kit is in the tree and names every command it documents.
TEST(HelpFile, PageDescribesTheMenus)
{
    std::filesystem::path page = std::filesystem::path(RESEDIT_SOURCE_DIR) / "help" / kHelpFileName;
    ASSERT_TRUE(std::filesystem::exists(page));
    std::ifstream in(page);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* command : {"Open Dll", "Delete Dll", "Directories", "String table", "New Menu", "Select Menu",
                                "Property sheet", "Unfolding dialog", "Zoom", "Group"})
        EXPECT_NE(text.find(command), std::string::npos) << command;
}

}  // namespace
}  // namespace vyn::resedit
