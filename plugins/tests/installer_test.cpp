// The installer's portable core: the host folder from the registry hive
// and install/remove on real directories.
#include "platform/registry.h"
#include "plugins/setup/host_folder.h"
#include "plugins/setup/installer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace vyn::setup {
namespace {

namespace fs = std::filesystem;
using platform::RegistryRoot;

struct Told {
    std::string text;
    bool error;
    bool operator==(const Told&) const = default;
};

class RecordingUi : public InstallerUi {
public:
    void tell(const std::string& text, bool error) override { told.push_back({text, error}); }
    std::vector<Told> told;
};

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::remove_all(root_);
        fs::create_directories(host_ / "VSTPlugins");
        fs::create_directories(source_);
        registry_ = platform::open_registry();
        registry_->delete_key(RegistryRoot::LocalMachine, kHostAppPathKey);
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string plugin_folder() const { return (host_ / "VSTPlugins").string() + "/"; }

    static fs::path scratch_root()
    {
        const char* tmp = std::getenv("VYN_TEST_TMP");
        return fs::path(tmp ? tmp : "/tmp") / ("installer_" + std::to_string(getpid()));
    }

    fs::path root_ = scratch_root();
    fs::path host_ = root_ / "Host";
    fs::path source_ = root_ / "Source";
    std::unique_ptr<platform::Registry> registry_;
};

TEST(HostFolder, IsTheProgramDirectoryPlusThePluginFolder)
{
    struct Case {
        const char* registered;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Host\\Cubase.exe", "C:\\Program Files\\Host\\VSTPlugins\\"},
        {"D:\\music\\cubase.exe", "D:\\music\\VSTPlugins\\"},
        {"D:\\Audio\\CUBASE.EXE", "D:\\Audio\\VSTPlugins\\"},
        // The cut is at the last c or C of the whole value, wherever it is.
        {"C:\\Apps\\Host.exe", "VSTPlugins\\"},
        {"D:\\Host\\Program.exe", "D:\\Host\\Program.exeVSTPlugins\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plugin_folder_for(c.registered), c.folder) << c.registered;
}

TEST_F(Installer, FindsTheFolderOnlyFromARegisteredReadableValue)
{
    EXPECT_EQ(find_host_folder(*registry_), "");
    ASSERT_TRUE(registry_->write_string(RegistryRoot::CurrentUser, kHostAppPathKey, "", "C:\\Elsewhere\\Cubase.exe"));
    EXPECT_EQ(find_host_folder(*registry_), "");  // the current user's key is not the machine's
    ASSERT_TRUE(registry_->write_string(RegistryRoot::LocalMachine, kHostAppPathKey, "Path", "C:\\Host"));
    EXPECT_EQ(find_host_folder(*registry_), "");  // the key exists but has no default value
    ASSERT_TRUE(registry_->write_string(RegistryRoot::LocalMachine, kHostAppPathKey, "", "C:\\Host\\Cubase.exe"));
    EXPECT_EQ(find_host_folder(*registry_), "C:\\Host\\VSTPlugins\\");
    std::string longest = "C:\\" + std::string(kHostPathLimit - 15, 'x') + "\\Cubase.exe";  // 259 bytes
    ASSERT_TRUE(registry_->write_string(RegistryRoot::LocalMachine, kHostAppPathKey, "", longest));
    EXPECT_EQ(find_host_folder(*registry_), longest.substr(0, longest.size() - 10) + "VSTPlugins\\");
    ASSERT_TRUE(registry_->write_string(RegistryRoot::LocalMachine, kHostAppPathKey, "", longest + "x"));
    EXPECT_EQ(find_host_folder(*registry_), "");
    registry_->delete_key(RegistryRoot::LocalMachine, kHostAppPathKey);
}

TEST_F(Installer, InstallsTickedRemovesUntickedAndReportsFailedCopies)
{
    fs::path plugins = host_ / "VSTPlugins";
    write(plugins / "delay.dll", "old delay");
    write(plugins / "chorus.dll", "installed chorus");
    write(source_ / "delay.dll", "new delay");
    write(source_ / "Vodaruvezuz.dll", "distortion");
    write(source_ / "chorus.dll", "shipped chorus");
    EXPECT_EQ(present_plugins(plugin_folder()), (Ticks{true, false, true, false, false, false}));

    RecordingUi ui;
    Ticks ticked = {true, true, false, false, true, false};  // reverb.dll is not shipped
    EXPECT_EQ(install_remove(plugin_folder(), ticked, source_.string(), ui), InstallOutcome::Incomplete);
    EXPECT_EQ(ui.told, (std::vector<Told>{{"Unable to copy reverb.dll", true}, {kIncompleteMessage, true}}));
    EXPECT_EQ(contents(plugins / "delay.dll"), "old delay");  // present: not copied again
    EXPECT_EQ(contents(plugins / "Vodaruvezuz.dll"), "distortion");
    EXPECT_FALSE(fs::exists(plugins / "chorus.dll"));
    EXPECT_EQ(contents(source_ / "chorus.dll"), "shipped chorus");  // deleted from the host folder only
    EXPECT_FALSE(fs::exists(plugins / "reverb.dll"));
    EXPECT_EQ(present_plugins(plugin_folder()), (Ticks{true, true, false, false, false, false}));
}

TEST_F(Installer, CompletesOnlyWhenEveryCopyAndDeleteSucceeded)
{
    fs::path plugins = host_ / "VSTPlugins";
    write(plugins / "delay.dll", "installed delay");
    // A plug-in that cannot be deleted: a folder stands where the file would be.
    fs::create_directories(plugins / "chorus.dll" / "inside");
    write(source_ / "Vodaruvezuz.dll", "distortion");
    RecordingUi ui;
    Ticks ticked = {false, true, false, false, false, false};
    EXPECT_EQ(install_remove(plugin_folder(), ticked, source_.string(), ui), InstallOutcome::Incomplete);
    EXPECT_EQ(ui.told, (std::vector<Told>{{"Unable to remove chorus.dll", true}, {kIncompleteMessage, true}}));
    EXPECT_FALSE(fs::exists(plugins / "delay.dll"));  // the other entries were still handled
    EXPECT_EQ(contents(plugins / "Vodaruvezuz.dll"), "distortion");
    EXPECT_TRUE(fs::exists(plugins / "chorus.dll" / "inside"));

    // Once the obstacle is gone the same run completes.
    fs::remove_all(plugins / "chorus.dll");
    write(plugins / "chorus.dll", "installed chorus");
    ui.told.clear();
    EXPECT_EQ(install_remove(plugin_folder(), ticked, source_.string(), ui), InstallOutcome::Completed);
    EXPECT_EQ(ui.told, (std::vector<Told>{{"Installation complete!", false}}));
    EXPECT_FALSE(fs::exists(plugins / "chorus.dll"));
}

TEST_F(Installer, WithoutAHostFolderRefusesAndTouchesNothing)
{
    write(source_ / "delay.dll", "shipped delay");
    write(source_ / "chorus.dll", "shipped chorus");
    fs::path here = fs::current_path();
    fs::current_path(source_);
    RecordingUi ui;
    InstallOutcome outcome = install_remove("", Ticks{true, false, false, false, false, false}, "", ui);
    fs::current_path(here);
    EXPECT_EQ(outcome, InstallOutcome::NoHostFolder);
    ASSERT_EQ(ui.told.size(), 1u);
    EXPECT_TRUE(ui.told[0].error);
    EXPECT_NE(ui.told[0].text.find("nothing was installed or removed"), std::string::npos);
    EXPECT_EQ(contents(source_ / "delay.dll"), "shipped delay");
    EXPECT_EQ(contents(source_ / "chorus.dll"), "shipped chorus");
    EXPECT_EQ(present_plugins(""), Ticks{});
}

}  // namespace
}  // namespace vyn::setup
