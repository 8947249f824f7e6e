// Runs natively against the hive file named by VYN_REGISTRY and under Wine
// against the system registry: the behaviour the programs rely on must be
// the same on both.
#include "platform/registry.h"

#include <gtest/gtest.h>

namespace {

using vyn::platform::Registry;
using vyn::platform::RegistryRoot;

constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
const char kKey[] = "Software\\vyn\\SeamTest";

class RegistrySeam : public ::testing::Test {
protected:
    void SetUp() override
    {
        registry = vyn::platform::open_registry();
        ASSERT_TRUE(registry->delete_key(HKCU, kKey)) << registry->last_error();
        ASSERT_TRUE(registry->delete_key(HKLM, kKey)) << registry->last_error();
    }
    void TearDown() override
    {
        registry->delete_key(HKCU, kKey);
        registry->delete_key(HKLM, kKey);
    }
    std::unique_ptr<Registry> registry;
};

TEST_F(RegistrySeam, MissingValuesAndKeysReadAsNothing)
{
    EXPECT_FALSE(registry->key_exists(HKCU, kKey));
    EXPECT_FALSE(registry->read_string(HKCU, kKey, "FontName"));
    EXPECT_TRUE(registry->subkeys(HKCU, kKey).empty());
    EXPECT_TRUE(registry->value_names(HKCU, kKey).empty());
    EXPECT_FALSE(registry->delete_value(HKCU, kKey, "FontName"));
}

TEST_F(RegistrySeam, StringValuesRoundTripWithAnyText)
{
    const std::string texts[] = {
        "", "Courier New", "C:\\vyn\\bin;\"quoted\"", "line one\nline two\r\n\ttabbed",
        std::string(5000, 'x'), "caf\xE9 M\xFC" "ller",
    };
    int i = 0;
    for (const std::string& text : texts) {
        std::string name = "Value" + std::to_string(i++);
        ASSERT_TRUE(registry->write_string(HKCU, kKey, name, text)) << registry->last_error();
        EXPECT_EQ(registry->read_string(HKCU, kKey, name), text) << name;
    }
    // A second handle sees what the first wrote.
    auto other = vyn::platform::open_registry();
    EXPECT_EQ(other->read_string(HKCU, kKey, "Value2"), texts[2]);
}

TEST_F(RegistrySeam, ValueNamesIgnoreCaseAndEnumerateSorted)
{
    ASSERT_TRUE(registry->write_string(HKCU, kKey, "Zed", "1"));
    ASSERT_TRUE(registry->write_string(HKCU, kKey, "Abc", "2"));
    ASSERT_TRUE(registry->write_string(HKCU, kKey, "Mid", "3"));
    ASSERT_TRUE(registry->write_string(HKCU, "SOFTWARE\\VYN\\SEAMTEST", "ZED", "4"));
    EXPECT_EQ(registry->read_string(HKCU, kKey, "zed"), "4");
    EXPECT_EQ(registry->value_names(HKCU, kKey), (std::vector<std::string>{"Abc", "Mid", "Zed"}));
    EXPECT_TRUE(registry->delete_value(HKCU, kKey, "abc"));
    EXPECT_EQ(registry->value_names(HKCU, kKey), (std::vector<std::string>{"Mid", "Zed"}));
}

TEST_F(RegistrySeam, SubkeysEnumerateSortedWithoutRegardToCase)
{
    std::string base = std::string(kKey) + "\\Projects";
    for (const char* name : {"gamma", "Alpha", "beta", "Beta2"})
        ASSERT_TRUE(registry->create_key(HKCU, base + "\\" + name + "\\Deeper")) << registry->last_error();
    EXPECT_EQ(registry->subkeys(HKCU, base), (std::vector<std::string>{"Alpha", "beta", "Beta2", "gamma"}));
    EXPECT_TRUE(registry->key_exists(HKCU, base + "\\BETA"));
}

TEST_F(RegistrySeam, DeletingAKeyTakesItsSubkeysAndNothingElse)
{
    std::string doomed = std::string(kKey) + "\\Doomed";
    ASSERT_TRUE(registry->write_string(HKCU, doomed + "\\A\\B", "x", "1"));
    ASSERT_TRUE(registry->write_string(HKCU, doomed + " Sibling", "y", "2"));
    ASSERT_TRUE(registry->write_string(HKCU, doomed, "z", "3"));
    ASSERT_TRUE(registry->delete_key(HKCU, doomed));
    EXPECT_FALSE(registry->key_exists(HKCU, doomed));
    EXPECT_FALSE(registry->key_exists(HKCU, doomed + "\\A\\B"));
    EXPECT_EQ(registry->read_string(HKCU, doomed + " Sibling", "y"), "2");
    EXPECT_TRUE(registry->delete_key(HKCU, doomed));  // already gone: still success
}

TEST_F(RegistrySeam, RootsAreSeparate)
{
    ASSERT_TRUE(registry->write_string(HKLM, kKey, "Path", "C:\\Host"));
    EXPECT_EQ(registry->read_string(HKLM, kKey, "Path"), "C:\\Host");
    EXPECT_FALSE(registry->read_string(HKCU, kKey, "Path"));
}

}  // namespace
