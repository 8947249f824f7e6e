// The settings store against a hive file, as the IDE uses it natively.
#include "ide/shell/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/tests/test_dirs.h"

namespace {

using namespace vyn::shell;
using vyn::platform::RegistryRoot;
constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;

struct ScriptedUi : SettingsUi {
    std::vector<std::string> told;
    std::vector<std::string> asked;
    std::optional<std::string> directory_answer;
    void tell(const std::string& message) override { told.push_back(message); }
    std::optional<std::string> choose_directory(const std::string& title) override
    {
        asked.push_back(title);
        return directory_answer;
    }
};

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = vyn::testing::fresh_test_dir();
        registry = vyn::platform::open_hive_file((std::filesystem::path(dir) / "hive.reg").string());
        registry->create_key(HKCU, kTavraKey);
    }
    std::string dir;
    std::unique_ptr<vyn::platform::Registry> registry;
    ScriptedUi ui;
};

Settings every_kind_of_value()
{
    Settings s;
    s.status_bar = "10,20,300,40";
    s.tab_size = 8;
    s.comment_color = 0x00FF00;
    s.editor_flags = 0x1B;
    s.font_height = -16;
    s.frame_zoomed = 1;
    s.printer_font_name = "Lucida Console";
    s.sub_scroll = 10;
    s.utilities = {{"Calc", "C:\\TOOLS\\CALC.EXE", "-x $F", "C:\\TOOLS", "7"}};
    LanguageDefinition fortran;
    fortran.name = "Fortran";
    fortran.extension = ".f";
    fortran.comment_char = "C";
    fortran.icon = "FORTICON";
    fortran.flags = 3;
    fortran.code = 12;
    for (int i = 0; i < 9; ++i)
        fortran.keywords.push_back("kw" + std::to_string(i));
    s.languages = {fortran};
    s.macros = {{'A', 3, "for (;;) {\n\t\n}"}, {'B', 0, std::string(50, 'x')}};
    s.accelerators = {{5, 0x74, 1137, 2 | 8}};
    s.projects = {"ALPHA", "beta"};
    s.current_project = "";
    s.win_help_database = "C:\\HELP\\API.HLP";
    s.current_dir = "C:\\WORK";
    s.font_name = "Courier New";
    s.debugger_arguments = "-v input.txt";
    s.current_file = "C:\\WORK\\MAIN.C";
    s.frame_x = 11;
    s.frame_y = 22;
    s.frame_cx = 640;
    s.frame_cy = 480;
    s.open_files = {{"C:\\WORK\\MAIN.C", 12, 0, 0, 300, 200}, {"C:\\MY DOCS\\A B.H", 1, -5, 6, -700, 800}};
    return s;
}

TEST_F(SettingsStoreTest, EveryKindOfValueRoundTrips)
{
    SettingsStore store(*registry, ui);
    Settings written = every_kind_of_value();
    ASSERT_TRUE(store.write(written, false));
    for (const std::string& project : written.projects)
        registry->create_key(HKCU, std::string(kTavraKey) + "\\" + project);
    Settings read = store.read("C:\\START");
    EXPECT_EQ(read.status_bar, written.status_bar);
    EXPECT_EQ(read.tab_size, 8);
    EXPECT_EQ(read.comment_color, 0x00FF00);
    EXPECT_EQ(read.editor_flags, 0x1B);
    EXPECT_EQ(read.font_height, -16);
    EXPECT_EQ(read.printer_font_name, "Lucida Console");
    EXPECT_EQ(read.sub_scroll, 10);
    ASSERT_EQ(read.utilities.size(), 1u);
    EXPECT_EQ(read.utilities[0].progargs, "-x $F");
    ASSERT_EQ(read.languages.size(), 1u);
    EXPECT_EQ(read.languages[0].keywords, written.languages[0].keywords);
    EXPECT_EQ(read.languages[0].icon, "FORTICON");
    EXPECT_EQ(read.languages[0].code, 12);
    ASSERT_EQ(read.macros.size(), 2u);
    EXPECT_EQ(read.macros[0].text, written.macros[0].text);
    EXPECT_EQ(read.macros[0].position, 3);
    EXPECT_EQ(read.macros[1].text, written.macros[1].text);
    ASSERT_EQ(read.accelerators.size(), 1u);
    EXPECT_EQ(read.accelerators[0].modifiers, 10u);
    EXPECT_EQ(read.projects, (std::vector<std::string>{"ALPHA", "beta"}));
    EXPECT_EQ(read.win_help_database, written.win_help_database);
    EXPECT_EQ(read.current_dir, "C:\\WORK");
    EXPECT_EQ(read.font_name, "Courier New");
    EXPECT_EQ(read.debugger_arguments, "-v input.txt");
    EXPECT_EQ(read.current_file, written.current_file);
    EXPECT_EQ(read.frame_cx, 640);
    ASSERT_EQ(read.open_files.size(), 2u);
    EXPECT_EQ(read.open_files[1].name, "C:\\MY DOCS\\A B.H");
    EXPECT_EQ(read.open_files[1].right, -700);
}

TEST_F(SettingsStoreTest, StoredFormsAreTheDocumentedOnes)
{
    SettingsStore store(*registry, ui);
    ASSERT_TRUE(store.write(every_kind_of_value(), false));
    auto value = [&](const char* name) { return registry->read_string(HKCU, kTavraKey, name).value_or("<none>"); };
    EXPECT_EQ(value("Macro1TextLine0"), "102111114032040059059041032123010009010125");
    EXPECT_EQ(value("Macro1Length"), "14");
    EXPECT_EQ(value("Macro1Code"), "A");
    EXPECT_EQ(value("Macro2TextLine0").size(), 63u);
    EXPECT_EQ(value("Macro2TextLine2").size(), 8u * 3);
    EXPECT_EQ(value("Accel1"), "   5 1161137  10");
    EXPECT_EQ(value("OpenFile2"), "C:\\MY DOCS\\A B.H 1 -5 6 -700 800");
    EXPECT_EQ(value("Language1Keywords1"), "kw0 kw1 kw2 kw3 kw4 kw5 kw6");
    EXPECT_EQ(value("Language1Keywords2"), "kw7 kw8");
    EXPECT_EQ(value("CommentColor"), "65280");
}

TEST_F(SettingsStoreTest, DefaultsFillMissingValuesAndOddOnesAreMended)
{
    registry->write_string(HKCU, kTavraKey, "Tabsize", "9");
    registry->write_string(HKCU, kTavraKey, "SubScroll", "0");
    registry->write_string(HKCU, kTavraKey, "FontHeight", "big");
    registry->write_string(HKCU, kTavraKey, "CurrentFile", "Untitled");
    registry->write_string(HKCU, kTavraKey, "BackupFile", "1");
    registry->write_string(HKCU, kTavraKey, "EditorFlags", "3");
    SettingsStore store(*registry, ui);
    Settings s = store.read("C:\\START");
    EXPECT_EQ(s.tab_size, 4);
    EXPECT_EQ(s.sub_scroll, 1);
    EXPECT_EQ(s.font_height, -13);
    EXPECT_EQ(s.current_file, "");
    EXPECT_EQ(s.editor_flags, 3 | editor_flag::backups);
    EXPECT_EQ(registry->read_string(HKCU, kTavraKey, "BackupFile"), "0");
    EXPECT_EQ(s.current_dir, "C:\\START");
    EXPECT_EQ(s.font_name, "Courier");
    EXPECT_EQ(s.print, 1053);
    EXPECT_EQ(s.keyword_color, 0xC0);
    EXPECT_EQ(valid_tab_size(9), 4);
    EXPECT_EQ(valid_tab_size(0), 4);
    EXPECT_EQ(valid_tab_size(1), 1);
}

TEST_F(SettingsStoreTest, WithAProjectOpenTheGlobalOpenFilesStayAsTheyWere)
{
    SettingsStore store(*registry, ui);
    registry->write_string(HKCU, kTavraKey, "OpenFiles", "1");
    registry->write_string(HKCU, kTavraKey, "OpenFile1", "C:\\OLD.C 1 0 0 10 10");
    Settings s = every_kind_of_value();
    s.current_project = "ALPHA";
    ASSERT_TRUE(store.write(s, true));
    EXPECT_EQ(registry->read_string(HKCU, kTavraKey, "OpenFiles"), "1");
    EXPECT_EQ(registry->read_string(HKCU, kTavraKey, "OpenFile1"), "C:\\OLD.C 1 0 0 10 10");
    // ... and reading with a current project does not take them.
    EXPECT_TRUE(store.read("C:\\").open_files.empty());
}

TEST_F(SettingsStoreTest, AMacroWithZeroLengthEndsTheList)
{
    registry->write_string(HKCU, kTavraKey, "Macros", "3");
    registry->write_string(HKCU, kTavraKey, "Macro1Length", "2");
    registry->write_string(HKCU, kTavraKey, "Macro1Code", "Q");
    registry->write_string(HKCU, kTavraKey, "Macro1TextLine0", "104105");
    registry->write_string(HKCU, kTavraKey, "Macro2Length", "0");
    registry->write_string(HKCU, kTavraKey, "Macro3Length", "1");
    registry->write_string(HKCU, kTavraKey, "Macro3TextLine0", "120");
    SettingsStore store(*registry, ui);
    Settings s = store.read("C:\\");
    ASSERT_EQ(s.macros.size(), 1u);
    EXPECT_EQ(s.macros[0].text, "hi");
    EXPECT_EQ(s.macros[0].code, 'Q');
}

TEST_F(SettingsStoreTest, AFailedWriteIsReportedAndStopsTheSequence)
{
    // A set-up store (the vyn key exists) whose every write fails.
    struct RefusingWrites final : vyn::platform::Registry {
        bool key_exists(RegistryRoot, std::string_view) override { return true; }
        bool create_key(RegistryRoot, std::string_view) override { return refuse(); }
        bool delete_key(RegistryRoot, std::string_view) override { return refuse(); }
        std::optional<std::string> read_string(RegistryRoot, std::string_view, std::string_view) override
        {
            return std::nullopt;
        }
        bool write_string(RegistryRoot, std::string_view, std::string_view, std::string_view) override
        {
            return refuse();
        }
        bool delete_value(RegistryRoot, std::string_view, std::string_view) override { return refuse(); }
        std::vector<std::string> subkeys(RegistryRoot, std::string_view) override { return {}; }
        std::vector<std::string> value_names(RegistryRoot, std::string_view) override { return {}; }
        bool refuse()
        {
            last_error_code_ = 5;
            return false;
        }
    } broken;
    SettingsStore store(broken, ui);
    EXPECT_FALSE(store.write(every_kind_of_value(), false));
    ASSERT_EQ(ui.told.size(), 1u);
    EXPECT_EQ(ui.told[0], "Error 5 writing to the registry");
}

TEST(CompilerRoot, FirstRunTakesTheRootAboveBinWithoutAsking)
{
    std::string dir = vyn::testing::fresh_test_dir();
    auto registry = vyn::platform::open_hive_file(dir + "/hive.reg");
    std::filesystem::create_directories(dir + "/vyn/include");
    std::filesystem::create_directories(dir + "/vyn/bin");
    vyn::platform::write_file_atomically(dir + "/vyn/include/windows.h", {'/', '*', '*', '/'});
    ScriptedUi ui;
    SettingsStore store(*registry, ui);
    ASSERT_TRUE(store.open(dir + "/vyn/BIN/tavra.exe", "C:\\"));
    EXPECT_TRUE(ui.asked.empty());
    EXPECT_EQ(registry->read_string(HKCU, kCompilerKey, "includepath"), dir + "/vyn\\include");
    EXPECT_EQ(registry->read_string(HKCU, kLinkerKey, "libpath"), dir + "/vyn\\lib");
    EXPECT_EQ(store.compiler_root(), dir + "/vyn");
    EXPECT_TRUE(registry->key_exists(HKCU, kTavraKey));
}

TEST(CompilerRoot, FirstRunAsksAndGivesUpWhenNoRootHoldsTheHeaders)
{
    std::string dir = vyn::testing::fresh_test_dir();
    auto registry = vyn::platform::open_hive_file(dir + "/hive.reg");
    ScriptedUi ui;
    SettingsStore store(*registry, ui);
    EXPECT_FALSE(store.open(dir + "/elsewhere/tavra.exe", "C:\\"));
    EXPECT_EQ(ui.asked, (std::vector<std::string>{"Enter path for the compiler root directory"}));
    EXPECT_FALSE(registry->key_exists(HKCU, kVynKey));

    ui.directory_answer = dir + "/empty";
    EXPECT_FALSE(store.open(dir + "/elsewhere/tavra.exe", "C:\\"));
    ASSERT_EQ(ui.told.size(), 1u);
    EXPECT_EQ(ui.told[0], "Can't find " + dir + "/empty\\include\\windows.h");
}

// The settings written at exit must not create the key whose absence offers
// the set-up, or a cancelled set-up would never be offered again.
TEST(CompilerRoot, ACancelledFirstRunIsOfferedAgainAfterTheSettingsAreWritten)
{
    std::string dir = vyn::testing::fresh_test_dir();
    auto registry = vyn::platform::open_hive_file(dir + "/hive.reg");
    ScriptedUi ui;
    SettingsStore store(*registry, ui);
    ASSERT_FALSE(store.open(dir + "/elsewhere/tavra.exe", "C:\\"));
    EXPECT_FALSE(store.write(Settings{}, false));
    EXPECT_TRUE(ui.told.empty());
    EXPECT_FALSE(registry->key_exists(HKCU, kVynKey));

    ASSERT_FALSE(store.open(dir + "/elsewhere/tavra.exe", "C:\\"));
    EXPECT_EQ(ui.asked.size(), 2u);

    // Once the set-up completes, the settings are written.
    std::filesystem::create_directories(dir + "/root/include");
    vyn::platform::write_file_atomically(dir + "/root/include/windows.h", {'/', '*', '*', '/'});
    ui.directory_answer = dir + "/root";
    ASSERT_TRUE(store.open(dir + "/elsewhere/tavra.exe", "C:\\"));
    EXPECT_TRUE(store.write(Settings{}, false));
    EXPECT_EQ(registry->read_string(HKCU, kTavraKey, "Tabsize"), "4");
}

TEST(CompilerRoot, CandidateRules)
{
    EXPECT_EQ(candidate_compiler_root("C:\\VYN\\BIN\\TAVRA.EXE", "D:\\X"), "C:\\VYN");
    EXPECT_EQ(candidate_compiler_root("C:\\VYN\\bin\\tavra.exe", "D:\\X"), "C:\\VYN");
    EXPECT_EQ(candidate_compiler_root("C:\\TOOLS\\TAVRA.EXE", "D:\\X"), "C:\\TOOLS");
    EXPECT_EQ(candidate_compiler_root("TAVRA.EXE", "D:\\X"), "D:\\X");
    EXPECT_EQ(candidate_compiler_root("\"C:\\VYN\\BIN\\TAVRA.EXE", "D:\\X"), "C:\\VYN");
    EXPECT_EQ(candidate_compiler_root("\\VYN\\BIN\\TAVRA.EXE", "D:\\X"), "D:\\VYN");
}

TEST(CompilerRoot, IncludePathWithoutBackslashIsReported)
{
    std::string dir = vyn::testing::fresh_test_dir();
    auto registry = vyn::platform::open_hive_file(dir + "/hive.reg");
    registry->write_string(HKCU, kCompilerKey, "includepath", "nowhere");
    ScriptedUi ui;
    SettingsStore store(*registry, ui);
    EXPECT_EQ(store.compiler_root(), "");
    EXPECT_EQ(ui.told, (std::vector<std::string>{"Incorrect value for Include path in the registry\nKey: includePath"}));
}

TEST(CompilerRoot, ChecksAndPathSetUp)
{
    EXPECT_EQ(check_compiler_root("\\vyn"), "Missing drive name in \\vyn");
    EXPECT_EQ(check_compiler_root("Q:\\nothing"), "Can't find Q:\\nothing\\bin\\vyn.exe");
    EXPECT_EQ(path_with_compiler("C:\\WINDOWS", "C:\\VYN"), "c:\\vyn\\bin;C:\\WINDOWS");
    EXPECT_EQ(path_with_compiler("C:\\VYN\\BIN;C:\\WINDOWS", "C:\\VYN"), "C:\\VYN\\BIN;C:\\WINDOWS");
    EXPECT_EQ(path_with_compiler("C:\\WINDOWS", "C:\\VYN\\BIN"), "c:\\vyn\\bin;C:\\WINDOWS");
}

}  // namespace
