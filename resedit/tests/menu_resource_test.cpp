// The editor's menu as its resource script writes it: every command under
// its own text and number.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "resedit/command_ids.h"
#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

using namespace testing;

// MENUITEM "text", NAME lines of the script, by the name's number.
std::map<int, std::string> menu_items()
{
    const std::map<std::string, int> numbers = {
        {"CMD_NEW", CMD_NEW}, {"CMD_OPEN", CMD_OPEN}, {"CMD_SAVE", CMD_SAVE}, {"CMD_SAVE_AS", CMD_SAVE_AS},
        {"CMD_DIRECTORIES", CMD_DIRECTORIES}, {"CMD_FILES", CMD_FILES}, {"CMD_INCLUDE", CMD_INCLUDE},
        {"CMD_OPEN_DLL", CMD_OPEN_DLL}, {"CMD_DELETE_DLL", CMD_DELETE_DLL}, {"CMD_QUIT", CMD_QUIT},
        {"CMD_UNDO", CMD_UNDO}, {"CMD_RESTART", CMD_RESTART}, {"CMD_CUT", CMD_CUT}, {"CMD_COPY", CMD_COPY},
        {"CMD_PASTE", CMD_PASTE}, {"CMD_DELETE", CMD_DELETE}, {"CMD_DUPLICATE", CMD_DUPLICATE},
        {"CMD_STYLES", CMD_STYLES}, {"CMD_REDIMENSION", CMD_REDIMENSION}, {"CMD_CONFIGURATION", CMD_CONFIGURATION},
        {"CMD_DEFAULT_SIZES", CMD_DEFAULT_SIZES}, {"CMD_TEST", CMD_TEST}, {"CMD_GROUP", CMD_GROUP},
        {"CMD_SYMBOLS", CMD_SYMBOLS}, {"CMD_HIERARCHY", CMD_HIERARCHY}, {"CMD_ZOOM", CMD_ZOOM},
        {"CMD_NEW_DIALOG", CMD_NEW_DIALOG}, {"CMD_NEW_MENU", CMD_NEW_MENU}, {"CMD_PROPERTY_SHEET", CMD_PROPERTY_SHEET},
        {"CMD_UNFOLDING_DIALOG", CMD_UNFOLDING_DIALOG}, {"CMD_SELECT_MENU", CMD_SELECT_MENU},
        {"CMD_SELECT_DIALOG", CMD_SELECT_DIALOG}, {"CMD_CALLBACKS", CMD_CALLBACKS}, {"CMD_SKELETON", CMD_SKELETON},
        {"CMD_STRING_TABLE", CMD_STRING_TABLE}, {"CMD_HELP_INDEX", CMD_HELP_INDEX}, {"CMD_ABOUT", CMD_ABOUT},
    };
    std::map<int, std::string> items;
    std::string script = text_of(std::filesystem::path(RESEDIT_SOURCE_DIR) / "win32" / "tavrares.rc");
    std::regex item("MENUITEM \"([^\"]*)\",\\s*(CMD_[A-Z_]+)");
    for (auto it = std::sregex_iterator(script.begin(), script.end(), item); it != std::sregex_iterator(); ++it) {
        auto number = numbers.find((*it)[2].str());
        if (number != numbers.end())
            items[number->second] = (*it)[1].str();
    }
    return items;
}

TEST(MenuResource, EveryCommandHasItsTextAndNumber)
{
    const std::map<int, std::string> expected = {
        {7000, "&New"}, {7001, "&Open..."}, {7002, "&Save"}, {7003, "Save &as..."}, {7010, "Directories"},
        {7066, "&Files..."}, {7004, "&Include..."}, {7006, "Open D&ll..."}, {7007, "&Delete Dll..."},
        {7008, "&Quit"}, {7031, "&Undo"}, {7020, "&Restart"}, {7021, "C&ut"}, {7022, "&Copy"}, {7023, "&Paste"},
        {7024, "&Delete"}, {7025, "D&uplicate"}, {7027, "St&yles..."}, {7028, "Redimension"},
        {7053, "&Configuration..."}, {7061, "&Default sizes"}, {7060, "&Test"}, {7052, "&Group..."},
        {7026, "&Symbols..."}, {7069, "&Hierarchy"}, {7068, "&Zoom"}, {7029, "New &Dialog"}, {7097, "New &Menu"},
        {7088, "&Property sheet"}, {7099, "&Unfolding dialog"}, {7098, "Select &Menu"},
        {7030, "&Select Dialog..."}, {7800, "&Callbacks"}, {40008, "Appl. Skeleton"}, {40010, "String table"},
        {7012, "Help index"}, {7072, "About..."},
    };
    EXPECT_EQ(menu_items(), expected);
}

}  // namespace
}  // namespace vyn::resedit
