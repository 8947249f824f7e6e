// The hive file itself: its text form, its errors, and two writers in turn.
#include "platform/hive.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/tests/test_dirs.h"

namespace {

using namespace vyn::platform;
constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;

std::string text_of(const std::string& path)
{
    auto bytes = read_file(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
}

void put(const std::string& path, const std::string& text)
{
    ASSERT_TRUE(write_file_atomically(path, {text.begin(), text.end()}));
}

TEST(HiveText, WritesReadableSectionsWithEscapes)
{
    Hive hive;
    hive.set_value("HKEY_CURRENT_USER\\Software\\vyn\\Tavra", "Macro1", "a\"b\\c\nd\x01");
    hive.set_value("HKEY_CURRENT_USER\\Software\\vyn\\Tavra", "", "default");
    EXPECT_EQ(hive.serialise(),
              "REGEDIT4\n\n[HKEY_CURRENT_USER]\n\n[HKEY_CURRENT_USER\\Software]\n\n"
              "[HKEY_CURRENT_USER\\Software\\vyn]\n\n[HKEY_CURRENT_USER\\Software\\vyn\\Tavra]\n"
              "\"Macro1\"=\"a\\\"b\\\\c\\nd\\x01\"\n@=\"default\"\n");
    std::string error;
    auto back = Hive::parse(hive.serialise(), "x.reg", error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(*back->value("HKEY_CURRENT_USER\\SOFTWARE\\VYN\\TAVRA", "macro1"), "a\"b\\c\nd\x01");
    EXPECT_EQ(back->serialise(), hive.serialise());
}

TEST(HiveText, ParseErrorsNameTheFileAndLine)
{
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"garbage\n", "f.reg, line 1: the file does not start with REGEDIT4"},
        {"REGEDIT4\n\"A\"=\"1\"\n", "f.reg, line 2: value outside of a key"},
        {"REGEDIT4\n[HKEY_USERS\\x]\n", "f.reg, line 2: bad key line (expected [HKEY_CURRENT_USER\\...] or [HKEY_LOCAL_MACHINE\\...])"},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\a]\r\n\"A\"=\"open\r\n", "f.reg, line 4: string without closing quote"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"A\"=dword:00000001\n", "f.reg, line 3: only string values (\"...\") are supported"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"A\"=\"\\q\"\n", "f.reg, line 3: unknown escape \\q"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"A\"=\"\\x4\"\n", "f.reg, line 3: bad \\x escape"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"A\"=\"1\" extra\n", "f.reg, line 3: unexpected text after the value"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(Hive::parse(c.text, "f.reg", error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
    std::string error;
    EXPECT_TRUE(Hive::parse("; comment\n\nREGEDIT4\n; another\n[HKEY_LOCAL_MACHINE\\k]\n@=\"v\"\n", "f", error))
        << error;
}

TEST(HiveFile, AMissingFileIsEmptyAndReadingDoesNotCreateIt)
{
    std::string path = (std::filesystem::path(vyn::testing::fresh_test_dir()) / "reg" / "hive.reg").string();
    auto registry = open_hive_file(path);
    EXPECT_FALSE(registry->read_string(HKCU, "Software\\vyn", "x"));
    EXPECT_TRUE(registry->subkeys(HKCU, "Software").empty());
    EXPECT_FALSE(file_exists(path));
    ASSERT_TRUE(registry->write_string(HKCU, "Software\\vyn", "x", "1")) << registry->last_error();
    EXPECT_TRUE(file_exists(path));  // the missing directory was made too
}

TEST(HiveFile, ACorruptFileIsReportedAndNeverOverwritten)
{
    std::string path = (std::filesystem::path(vyn::testing::fresh_test_dir()) / "hive.reg").string();
    std::string corrupt = "REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"A\"=\"1\"\n\"B\"=broken\n";
    put(path, corrupt);
    auto registry = open_hive_file(path);
    EXPECT_FALSE(registry->read_string(HKCU, "a", "A"));
    EXPECT_FALSE(registry->write_string(HKCU, "a", "C", "3"));
    EXPECT_EQ(registry->last_error(),
              "corrupt registry file: " + path + ", line 4: only string values (\"...\") are supported");
    EXPECT_FALSE(registry->delete_key(HKCU, "a"));
    EXPECT_EQ(text_of(path), corrupt);
}

TEST(HiveFile, TwoWritersInTurnKeepEachOthersValues)
{
    std::string path = (std::filesystem::path(vyn::testing::fresh_test_dir()) / "hive.reg").string();
    auto first = open_hive_file(path);
    auto second = open_hive_file(path);
    ASSERT_TRUE(first->write_string(HKCU, "Software\\vyn\\Tavra", "FontName", "Courier"));
    ASSERT_TRUE(second->write_string(HKCU, "Software\\vyn\\Tavra", "Tabsize", "4"));
    ASSERT_TRUE(first->write_string(HKCU, "Software\\vyn\\vynlnk", "libpath", "C:\\vyn\\lib"));
    auto reader = open_hive_file(path);
    EXPECT_EQ(reader->value_names(HKCU, "Software\\vyn\\Tavra"), (std::vector<std::string>{"FontName", "Tabsize"}));
    EXPECT_EQ(reader->read_string(HKCU, "Software\\vyn\\vynlnk", "libpath"), "C:\\vyn\\lib");
    // An edit by hand between two writes is taken up, not lost.
    put(path, text_of(path) + "\n[HKEY_CURRENT_USER\\Manual]\n\"Hand\"=\"made\"\n");
    ASSERT_TRUE(first->write_string(HKCU, "Software\\vyn\\Tavra", "Tabsize", "8"));
    EXPECT_EQ(reader->read_string(HKCU, "Manual", "Hand"), "made");
    EXPECT_EQ(reader->read_string(HKCU, "Software\\vyn\\Tavra", "Tabsize"), "8");
}

}  // namespace
