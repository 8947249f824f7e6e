#include "resedit/editor_settings.h"

#include <gtest/gtest.h>

#include "resedit/command_line.h"
#include "resedit/ide_link.h"
#include "resedit/tests/test_support.h"

namespace vyn::resedit {
namespace {

constexpr auto HKCU = platform::RegistryRoot::CurrentUser;

std::unique_ptr<platform::Registry> fresh_hive(const std::string& name)
{
    auto path = testing::scratch_directory(name) / "hive.reg";
    std::filesystem::remove(path);
    return platform::open_hive_file(path.string());
}

TEST(EditorSettings, MissingValuesTakeTheDefaultsAndAreNotWrittenBack)
{
    auto registry = fresh_hive("resedit_settings_defaults");
    SettingsStore store(*registry);
    EditorSettings s = store.read();
    EXPECT_EQ(s[kCxGrid], 1);
    EXPECT_EQ(s[kXMargin], 6);
    EXPECT_EQ(s[kYSpace], 0);
    EXPECT_EQ(s[kXMaxPushSpace], 16);
    EXPECT_EQ(s[kControlStyles], 43476);
    EXPECT_EQ(s[kGroupY], 35);
    EXPECT_EQ(s[kUnderscoreYOffset], 21);
    EXPECT_TRUE(store.write_back(s));
    EXPECT_TRUE(registry->value_names(HKCU, kTavraresKey).empty());
}

TEST(EditorSettings, OnlyChangedValuesAreWrittenBack)
{
    auto registry = fresh_hive("resedit_settings_changed");
    registry->write_string(HKCU, kTavraresKey, "cxGrid", "4");
    registry->write_string(HKCU, kTavraresKey, "xMargin", "9");
    registry->write_string(HKCU, kTavraresKey, "EditorFullPath", "C:\\vyn\\bin\\tavra.exe");
    SettingsStore store(*registry);
    EditorSettings s = store.read();
    EXPECT_EQ(s[kCxGrid], 4);
    EXPECT_EQ(s[kXMargin], 9);
    EXPECT_EQ(s.text(kEditorFullPath), "C:\\vyn\\bin\\tavra.exe");
    // A value equal to the stored one stays as the user wrote it.
    registry->write_string(HKCU, kTavraresKey, "xMargin", "0009");
    s[kCxGrid] = 8;
    s[kTextY] = 14;
    s.text(kLastFileLoaded) = "C:\\W\\A.RES";
    EXPECT_TRUE(store.write_back(s));
    EXPECT_EQ(registry->read_string(HKCU, kTavraresKey, "cxGrid"), "8");
    EXPECT_EQ(registry->read_string(HKCU, kTavraresKey, "textY"), "14");
    EXPECT_EQ(registry->read_string(HKCU, kTavraresKey, "xMargin"), "0009");
    EXPECT_EQ(registry->read_string(HKCU, kTavraresKey, "LastFileLoaded"), "C:\\W\\A.RES");
    EXPECT_FALSE(registry->read_string(HKCU, kTavraresKey, "yMargin"));
}

TEST(EditorSettings, UnreadableNumberTakesTheDefault)
{
    auto registry = fresh_hive("resedit_settings_bad");
    registry->write_string(HKCU, kTavraresKey, "cyGrid", "lots");
    SettingsStore store(*registry);
    EXPECT_EQ(store.read()[kCyGrid], 1);
}

TEST(EditorSettings, TypedValuesAreChecked)
{
    EXPECT_EQ(check_setting_value(kCxGrid, "0").message, "cxGrid value must be greater than zero.");
    EXPECT_EQ(check_setting_value(kCyGrid, "x").message, "cyGrid value must be greater than zero.");
    EXPECT_EQ(check_setting_value(kXMargin, "-1").message, "xMargin value must be a positive number.");
    EXPECT_EQ(check_setting_value(kXMargin, "0").message, "");
    EXPECT_EQ(check_setting_value(kTextX, " 25 ").value, 25);
}

TEST(CommandLine, ResourceFileAndIdeSwitch)
{
    std::string error;
    auto line = parse_command_line({"/Tavra", "C:\\work\\app.res"}, error);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->from_ide);
    EXPECT_EQ(line->resource_file, "C:\\work\\app.res");
    EXPECT_FALSE(line->wizard);
}

TEST(CommandLine, WizardOptionsAreNameColonValue)
{
    std::string error;
    auto line = parse_command_line({"/wizard", "/name:hello", "/dir:C:\\w x", "/empty:"}, error);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->wizard);
    ASSERT_EQ(line->wizard_options.size(), 3u);
    EXPECT_EQ(*line->wizard_option("NAME"), "hello");
    EXPECT_EQ(*line->wizard_option("dir"), "C:\\w x");
    EXPECT_EQ(*line->wizard_option("empty"), "");
    EXPECT_EQ(line->wizard_option("other"), nullptr);
}

TEST(CommandLine, MalformedWizardOptionIsReported)
{
    for (const char* bad : {"/name", "/:x", "/"}) {
        std::string error;
        EXPECT_FALSE(parse_command_line({"/wizard", bad}, error));
        EXPECT_EQ(error, std::string("Error parsing wizard option ") + bad);
    }
}

TEST(IdeLink, CommandComesFromTheSettingElseBesideTheEditor)
{
    EXPECT_EQ(ide_command(" D:\\x\\tavra.exe ", "C:\\vyn\\bin\\tavrares.exe"), "D:\\x\\tavra.exe");
    EXPECT_EQ(ide_command("", "C:\\vyn\\bin\\tavrares.exe"), "C:\\vyn\\bin\\tavra.exe");
    EXPECT_EQ(ide_command("", "C:\\tools\\tavrares.exe"), "C:\\tools\\bin\\tavra.exe");
}

struct FakeIde {
    int appears_after = -1;  // polls after the start; -1: never
    bool start_works = true;
    int finds = 0, starts = 0, slept = 0;
    bool started = false;
    IdeSystem system()
    {
        return {[this] {
                    ++finds;
                    return started && appears_after >= 0 && finds - 1 >= appears_after;
                },
                [this](const std::string&, const std::string&) {
                    ++starts;
                    started = start_works;
                    return start_works;
                },
                [this](int ms) { slept += ms; }};
    }
};

TEST(IdeLink, RunningIdeIsFoundWithoutStartingAnother)
{
    FakeIde ide;
    ide.started = true;
    ide.appears_after = 0;
    IdeSystem system = ide.system();
    EXPECT_TRUE(reach_ide(system, "tavra.exe", "."));
    EXPECT_EQ(ide.starts, 0);
}

TEST(IdeLink, StartedIdeIsPolledEveryHalfSecondAtMostTenTimes)
{
    FakeIde late;
    late.appears_after = 3;
    IdeSystem a = late.system();
    EXPECT_TRUE(reach_ide(a, "tavra.exe", "."));
    EXPECT_EQ(late.starts, 1);
    EXPECT_EQ(late.slept, 3 * 500);

    FakeIde never;
    IdeSystem b = never.system();
    EXPECT_FALSE(reach_ide(b, "tavra.exe", "."));
    EXPECT_EQ(never.slept, 10 * 500);
    EXPECT_EQ(never.finds, 11);

    FakeIde broken;
    broken.start_works = false;
    IdeSystem c = broken.system();
    EXPECT_FALSE(reach_ide(c, "tavra.exe", "."));
    EXPECT_EQ(broken.slept, 0);
}

}  // namespace
}  // namespace vyn::resedit
