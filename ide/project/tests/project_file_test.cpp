// The ".prj" export file: export then import, the header check and the key
// paths an import accepts.
#include "ide/project/project_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ide/project/project_store.h"
#include "ide/project/tests/scripted_ui.h"
#include "platform/tests/test_dirs.h"

namespace {

using namespace vyn::project;
using vyn::project::testing::ScriptedUi;
using vyn::platform::RegistryRoot;
constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;

class ProjectFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = vyn::testing::fresh_test_dir();
        registry = vyn::platform::open_hive_file((std::filesystem::path(dir) / "hive.reg").string());
    }
    void put(const std::string& project, const std::string& name, const std::string& value)
    {
        ASSERT_TRUE(registry->write_string(HKCU, project_key(project), name, value));
    }
    std::string read_text(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string dir;
    std::unique_ptr<vyn::platform::Registry> registry;
    ScriptedUi ui;
};

TEST_F(ProjectFileTest, ExportWritesHeaderKeyAndValuesInEnumerationOrder)
{
    put("Hello", "Name", "Hello");
    put("Hello", "Defines", "");
    put("Hello", "CompilerFlags", "136");
    auto path = export_project(*registry, "Hello", dir, ui);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, dir + "\\hello.prj");
    EXPECT_EQ(read_text(dir + "/hello.prj"),
              "Tavra project file. Do NOT edit\n"
              "SOFTWARE\\vyn\\Tavra\\Hello\n"
              "CompilerFlags\t136\n"
              "Defines\t\n"
              "Name\tHello\n");
    EXPECT_EQ(ui.informed.back(), "Project Hello exported into file:\n" + *path);
}

TEST_F(ProjectFileTest, ExportThenImportReproducesEveryValue)
{
    Project p;
    p.name = "hello";
    p.files = {"hello.c", "util.c"};
    p.defines = "";
    p.has_make_settings = true;
    p.make.dir = "c:\\work\\vyn";
    p.exe = "hello.exe";
    p.breakpoints = {{"C:\\WORK\\HELLO.C", 7}};
    ASSERT_TRUE(save_project(*registry, p));
    put("hello", "LinkerArgs", std::string(799, 'a'));
    auto text = project_file_text(*registry, "hello");
    ASSERT_TRUE(text.has_value());
    std::vector<std::pair<std::string, std::string>> before;
    for (const auto& name : registry->value_names(HKCU, project_key("hello")))
        before.emplace_back(name, *registry->read_string(HKCU, project_key("hello"), name));

    ASSERT_TRUE(erase_project_key(*registry, "hello"));
    auto name = import_project_text(*registry, *text, ui);
    ASSERT_EQ(name, "hello");
    std::vector<std::pair<std::string, std::string>> after;
    for (const auto& value : registry->value_names(HKCU, project_key("hello")))
        after.emplace_back(value, *registry->read_string(HKCU, project_key("hello"), value));
    EXPECT_EQ(after, before);
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(ProjectFileTest, LongValuesAreCutAsTheBuffersAllow)
{
    put("big", "Libraries", std::string(900, 'L'));
    auto text = project_file_text(*registry, "big");
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("Libraries\t" + std::string(799, 'L') + "\n"), std::string::npos);
    std::string long_name = "Tavra project file. Do NOT edit\nSOFTWARE\\vyn\\Tavra\\big2\n" + std::string(250, 'N') +
                            "\tdata\r\n";
    ASSERT_TRUE(import_project_text(*registry, long_name, ui).has_value());
    EXPECT_EQ(registry->read_string(HKCU, project_key("big2"), std::string(199, 'N')), "data");
}

TEST_F(ProjectFileTest, ImportSkipsBlanksBetweenNameAndDataAndTakesTheLastLineWithoutNewline)
{
    std::string text = "Tavra project file. Do NOT edit\nSOFTWARE\\vyn\\Tavra\\p\nName  \t p\nExe\tp.exe";
    ASSERT_EQ(import_project_text(*registry, text, ui), "p");
    EXPECT_EQ(registry->read_string(HKCU, project_key("p"), "Name"), "p");
    EXPECT_EQ(registry->read_string(HKCU, project_key("p"), "Exe"), "p.exe");
}

TEST_F(ProjectFileTest, AHeaderThatDiffersIsRefused)
{
    for (const char* header : {"Tavra project file. Do not edit\n", "tavra project file. Do NOT edit\n", ""}) {
        std::string text = std::string(header) + "SOFTWARE\\vyn\\Tavra\\p\nName\tp\n";
        EXPECT_FALSE(import_project_text(*registry, text, ui).has_value()) << header;
        EXPECT_EQ(ui.errors.back(), "This file is not a Tavra project file");
    }
    EXPECT_FALSE(registry->key_exists(HKCU, project_key("p")));
}

TEST(ImportedProjectName, OnlyOneComponentBelowTheIdeKey)
{
    EXPECT_EQ(imported_project_name("SOFTWARE\\vyn\\Tavra\\hello"), "hello");
    EXPECT_EQ(imported_project_name("software\\VYN\\tavra\\My Project"), "My Project");
    for (const char* bad : {"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                            "SOFTWARE\\vyn\\Tavra\\", "SOFTWARE\\vyn\\Tavra", "SOFTWARE\\vyn\\Tavra\\a\\b",
                            "SOFTWARE\\vyn\\Tavra\\..", "SOFTWARE\\vyn\\Tavra\\.", "SOFTWARE\\vyn\\Tavra\\x..y",
                            "SOFTWARE\\vyn\\Tavra\\a/b", "SOFTWARE\\vyn\\Compiler\\x", "SOFTWARE\\vyn\\Tavra2\\x",
                            "\\SOFTWARE\\vyn\\Tavra\\x", "SOFTWARE\\vyn\\Tavra\\ x"})
        EXPECT_FALSE(imported_project_name(bad).has_value()) << bad;
    EXPECT_FALSE(imported_project_name("SOFTWARE\\vyn\\Tavra\\" + std::string(51, 'n')).has_value());
}

TEST_F(ProjectFileTest, AKeyPathOutsideTheProjectsIsRefusedAndNothingIsWritten)
{
    std::string text = "Tavra project file. Do NOT edit\n"
                       "Software\\Microsoft\\Windows\\CurrentVersion\\Run\n"
                       "Evil\tc:\\evil.exe\n";
    EXPECT_FALSE(import_project_text(*registry, text, ui).has_value());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("Software\\Microsoft\\Windows\\CurrentVersion\\Run"), std::string::npos);
    EXPECT_FALSE(registry->key_exists(HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"));
    EXPECT_FALSE(registry->key_exists(HKCU, "Software\\Microsoft"));
    std::string traversal = "Tavra project file. Do NOT edit\nSOFTWARE\\vyn\\Tavra\\..\\..\\Run\nEvil\tx\n";
    EXPECT_FALSE(import_project_text(*registry, traversal, ui).has_value());
    EXPECT_TRUE(registry->subkeys(HKCU, "Software").empty());
}

TEST_F(ProjectFileTest, AnExistingProjectIsReplacedOnlyAfterConfirmation)
{
    put("hello", "Name", "hello");
    put("hello", "Stale", "old");
    std::string text = "Tavra project file. Do NOT edit\nSOFTWARE\\vyn\\Tavra\\HELLO\nExe\tnew.exe\n";
    ui.answers = {false};
    EXPECT_FALSE(import_project_text(*registry, text, ui).has_value());
    EXPECT_EQ(ui.asked.back(), "A project with the name 'HELLO' exists already. Replace it?");
    EXPECT_EQ(registry->read_string(HKCU, project_key("hello"), "Stale"), "old");
    EXPECT_FALSE(registry->read_string(HKCU, project_key("hello"), "Exe").has_value());

    ui.answers = {true};
    EXPECT_EQ(import_project_text(*registry, text, ui), "HELLO");
    EXPECT_FALSE(registry->read_string(HKCU, project_key("hello"), "Stale").has_value());
    EXPECT_EQ(registry->read_string(HKCU, project_key("hello"), "Exe"), "new.exe");
}

TEST_F(ProjectFileTest, ExportAsksBeforeOverwritingAndReportsAMissingProject)
{
    put("hello", "Name", "hello");
    std::ofstream(dir + "/hello.prj") << "mine";
    ui.answers = {false};
    EXPECT_FALSE(export_project(*registry, "hello", dir, ui).has_value());
    EXPECT_EQ(ui.asked.back(), "File " + dir + "\\hello.prj exists. Overwrite it?");
    EXPECT_EQ(read_text(dir + "/hello.prj"), "mine");
    EXPECT_FALSE(export_project(*registry, "nosuch", dir, ui).has_value());
    EXPECT_EQ(ui.errors.back(), "Impossible to open project nosuch");
    EXPECT_FALSE(import_project(*registry, dir + "\\missing.prj", ui).has_value());
}

}  // namespace
