// The project record through a hive file: the values and their order, the
// project list, the make directory's names and the defaults.
#include "ide/project/project_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ide/project/project_defaults.h"
#include "ide/project/tests/scripted_ui.h"
#include "platform/tests/test_dirs.h"

namespace {

using namespace vyn::project;
using vyn::project::testing::ScriptedUi;
using vyn::platform::Registry;
using vyn::platform::RegistryRoot;
constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;

// Passes everything to a hive and notes the names of the values written.
class RecordingRegistry : public Registry {
public:
    explicit RecordingRegistry(std::unique_ptr<Registry> inner) : inner_(std::move(inner)) {}
    bool key_exists(RegistryRoot r, std::string_view k) override { return inner_->key_exists(r, k); }
    bool create_key(RegistryRoot r, std::string_view k) override { return inner_->create_key(r, k); }
    bool delete_key(RegistryRoot r, std::string_view k) override { return inner_->delete_key(r, k); }
    std::optional<std::string> read_string(RegistryRoot r, std::string_view k, std::string_view n) override
    {
        return inner_->read_string(r, k, n);
    }
    bool write_string(RegistryRoot r, std::string_view k, std::string_view n, std::string_view v) override
    {
        written.emplace_back(n);
        if (fail_at == written.size())
            return false;
        return inner_->write_string(r, k, n, v);
    }
    bool delete_value(RegistryRoot r, std::string_view k, std::string_view n) override
    {
        return inner_->delete_value(r, k, n);
    }
    std::vector<std::string> subkeys(RegistryRoot r, std::string_view k) override { return inner_->subkeys(r, k); }
    std::vector<std::string> value_names(RegistryRoot r, std::string_view k) override
    {
        return inner_->value_names(r, k);
    }
    std::vector<std::string> written;
    std::size_t fail_at = 0;  // 1-based write that fails; 0: none

private:
    std::unique_ptr<Registry> inner_;
};

class ProjectStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = vyn::testing::fresh_test_dir();
        registry = std::make_unique<RecordingRegistry>(
            vyn::platform::open_hive_file((std::filesystem::path(dir) / "hive.reg").string()));
    }
    std::string dir;
    std::unique_ptr<RecordingRegistry> registry;
    ScriptedUi ui;
};

Project full_project()
{
    Project p;
    p.name = "hello";
    p.frame = "1 2 300 400";
    p.status_bar = "0,0,10,10";
    p.current_file = "C:\\WORK\\HELLO.C";
    p.open_files = {{"C:\\WORK\\HELLO.C", {12, 0, 0, 500, 300}}, {"C:\\WORK\\UTIL.C", {1, -1, 0, 0, 0}}};
    p.project_path = "c:\\work";
    p.sources_dir = "c:\\work\\src";
    p.defines = "DEBUG;X=1";
    p.includes = "c:\\vyn\\include;c:\\work\\inc";
    p.libraries = "user32.lib gdi32.lib";
    p.linker_args = "-stack 65536";
    p.has_make_settings = true;
    p.make = {"make.exe -k", "all", "c:\\work\\src\\vyn"};
    p.exe = "hello.exe";
    p.debugger_arguments = "-v in.txt";
    p.debuggee = "hello.exe";
    p.debugger_dir = "";
    p.compiler_flags = 0x8 | 0x80 | 0x2000;
    p.breakpoints = {{"C:\\WORK\\HELLO.C", 14}, {"C:\\WORK\\UTIL.C", 3}};
    p.error_file = "c:\\work\\src\\vyn\\hello.err";
    p.file_processors = {{"grammar.y", "yacc grammar.y", "grammar.c"}};
    p.files = {"hello.c", "util.c", "hello.rc"};
    p.dependencies = {{"hello.h", "util.h"}, {}, {"res.h"}};
    p.users = {"ann", "bob"};
    p.cms_directory = "c:\\work\\CMS";
    p.put_options = 1;
    p.get_options = 2;
    p.file_options = 3;
    p.lock_options = 4;
    p.users_options = 5;
    p.project_flags = 1;
    return p;
}

TEST_F(ProjectStoreTest, SavesEveryValueInItsOrder)
{
    ASSERT_TRUE(save_project(*registry, full_project()));
    std::vector<std::string> expected = {
        "Frame", "StatusBar", "Name", "CurrentFile", "OpenFiles", "OpenFile1", "OpenFile2",
        "ProjectPath", "SourcesDir", "Defines", "Includes", "Libraries", "LinkerArgs",
        "MakeName", "MakeArgs", "MakeDir", "Exe", "DebuggerArguments", "DbgExeName", "DbgDir",
        "CompilerFlags", "NumberOfBreakpoints", "BreakPoint1", "BreakPoint2", "ErrorFile",
        "NrOfFileProcessors", "FileProcessor1",
        "PrjFiles", "File1", "File2", "File3", "File1Dependencies", "File1Dependencies1", "File1Dependencies2",
        "File3Dependencies", "File3Dependencies1", "UserCount", "User1", "User2", "CmsDirectory",
        "PutOptions", "GetOptions", "FileOptions", "LockOptions", "UsersOptions", "ProjectFlags"};
    EXPECT_EQ(registry->written, expected);
    std::string key = project_key("hello");
    EXPECT_EQ(registry->read_string(HKCU, key, "OpenFile1"), "C:\\WORK\\HELLO.C 12 0 0 500 300");
    EXPECT_EQ(registry->read_string(HKCU, key, "BreakPoint2"), "C:\\WORK\\UTIL.C@3");
    EXPECT_EQ(registry->read_string(HKCU, key, "FileProcessor1"), "grammar.y#yacc grammar.y#grammar.c");
    EXPECT_EQ(registry->read_string(HKCU, key, "CompilerFlags"), "8328");
    // An empty debugger directory is stored as the make directory.
    EXPECT_EQ(registry->read_string(HKCU, key, "DbgDir"), "c:\\work\\src\\vyn");
    // A file without dependencies writes no count.
    EXPECT_FALSE(registry->read_string(HKCU, key, "File2Dependencies").has_value());
}

TEST_F(ProjectStoreTest, ReadsBackWhatItSaved)
{
    Project saved = full_project();
    ASSERT_TRUE(save_project(*registry, saved));
    Project p;
    ASSERT_TRUE(load_project(*registry, "hello", p));
    EXPECT_EQ(p.name, "hello");
    EXPECT_EQ(p.frame, saved.frame);
    EXPECT_EQ(p.status_bar, saved.status_bar);
    ASSERT_EQ(p.open_files.size(), 2u);
    EXPECT_EQ(p.open_files[0].path, "C:\\WORK\\HELLO.C");
    EXPECT_EQ(p.open_files[0].numbers, (std::vector<long>{12, 0, 0, 500, 300}));
    EXPECT_EQ(p.open_files[1].numbers, (std::vector<long>{1, -1, 0, 0, 0}));
    EXPECT_EQ(p.project_path, saved.project_path);
    EXPECT_EQ(p.sources_dir, saved.sources_dir);
    EXPECT_EQ(p.defines, saved.defines);
    EXPECT_EQ(p.includes, saved.includes);
    EXPECT_EQ(p.libraries, saved.libraries);
    EXPECT_EQ(p.linker_args, saved.linker_args);
    EXPECT_TRUE(p.has_make_settings);
    EXPECT_EQ(p.make.name, "make.exe -k");
    EXPECT_EQ(p.make.args, "all");
    EXPECT_EQ(p.make.dir, saved.make.dir);
    EXPECT_EQ(p.exe, "hello.exe");
    EXPECT_EQ(p.debugger_arguments, "-v in.txt");
    EXPECT_EQ(p.debuggee, "hello.exe");
    EXPECT_EQ(p.debugger_dir, saved.make.dir);
    EXPECT_EQ(p.compiler_flags, saved.compiler_flags);
    ASSERT_EQ(p.breakpoints.size(), 2u);
    EXPECT_EQ(p.breakpoints[0].file, "C:\\WORK\\HELLO.C");
    EXPECT_EQ(p.breakpoints[0].line, 14);
    EXPECT_EQ(p.error_file, saved.error_file);
    ASSERT_EQ(p.file_processors.size(), 1u);
    EXPECT_EQ(p.file_processors[0].command, "yacc grammar.y");
    EXPECT_EQ(p.files, saved.files);
    ASSERT_EQ(p.dependencies.size(), 3u);
    EXPECT_EQ(p.dependencies[0], saved.dependencies[0]);
    EXPECT_TRUE(p.dependencies[1].empty());
    EXPECT_EQ(p.dependencies[2], saved.dependencies[2]);
    EXPECT_EQ(p.users, saved.users);
    EXPECT_EQ(p.cms_directory, saved.cms_directory);
    EXPECT_EQ(p.lock_options, 4);
    EXPECT_EQ(p.users_options, 5);
    EXPECT_EQ(p.project_flags, 1u);
}

TEST_F(ProjectStoreTest, StopsAtTheFirstFailedWrite)
{
    registry->fail_at = 3;
    EXPECT_FALSE(save_project(*registry, full_project()));
    EXPECT_EQ(registry->written.size(), 3u);
}

TEST_F(ProjectStoreTest, MissingValuesReadAsDefaultsAndNoMakeSettings)
{
    registry->write_string(HKCU, project_key("bare"), "Name", "bare");
    Project p;
    ASSERT_TRUE(load_project(*registry, "bare", p));
    EXPECT_FALSE(p.has_make_settings);
    EXPECT_EQ(p.compiler_flags, 8u);
    EXPECT_EQ(p.make.name, "make.exe");
    EXPECT_FALSE(load_project(*registry, "nosuch", p));
}

TEST_F(ProjectStoreTest, ProjectListComesFromTheSubkeysWithoutLongNames)
{
    registry->create_key(HKCU, project_key("beta"));
    registry->create_key(HKCU, project_key("alpha"));
    registry->create_key(HKCU, project_key(std::string(51, 'x')));
    registry->create_key(HKCU, project_key(std::string(50, 'y')));
    std::vector<std::string> list = read_project_list(*registry);
    EXPECT_EQ(list, (std::vector<std::string>{"alpha", "beta", std::string(50, 'y')}));
    EXPECT_FALSE(add_to_project_list(list, "alpha"));
    EXPECT_TRUE(add_to_project_list(list, "Alpha"));
    EXPECT_TRUE(remove_from_project_list(list, "beta"));
    EXPECT_EQ(list.size(), 3u);
    ASSERT_TRUE(erase_project_key(*registry, "alpha"));
    EXPECT_FALSE(registry->key_exists(HKCU, project_key("alpha")));
}

TEST_F(ProjectStoreTest, MakeDirectoriesAreNamedVynThenWithDigits)
{
    std::string sources = dir + "\\src";
    std::filesystem::create_directories(dir + "/src");
    EXPECT_EQ(create_make_directory(sources, ui), sources + "\\vyn");
    EXPECT_TRUE(ui.informed.empty());
    EXPECT_EQ(create_make_directory(sources, ui), sources + "\\vyn1");
    ASSERT_EQ(ui.informed.size(), 1u);
    EXPECT_EQ(ui.informed[0], "Project directory is:\n" + sources + "\\vyn1");
    EXPECT_EQ(create_make_directory(sources, ui), sources + "\\vyn12");
    for (const char* taken : {"vyn123", "vyn1234", "vyn12345", "vyn123456", "vyn1234567"})
        std::filesystem::create_directories(dir + "/src/" + taken);
    EXPECT_EQ(create_make_directory(sources, ui), sources + "\\vyn12345678");
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/src/vyn12345678"));
    EXPECT_FALSE(create_make_directory(sources, ui).has_value());
    EXPECT_EQ(ui.errors.back(), "Impossible to create a project subdir in\n" + sources);
}

TEST_F(ProjectStoreTest, DefaultsOfANewDllProject)
{
    Project p;
    p.name = "calc";
    p.compiler_flags = flag::kDll;
    ASSERT_TRUE(fill_defaults(p, dir, "c:\\vyn\\include", ui));
    EXPECT_TRUE(p.has_make_settings);
    EXPECT_EQ(p.sources_dir, dir);
    EXPECT_EQ(p.make.dir, dir + "\\vyn");
    EXPECT_EQ(p.make.name, "make.exe");
    EXPECT_EQ(p.make.args, "");
    EXPECT_EQ(p.compiler_flags, flag::kDll | flag::kDebugInfo);
    EXPECT_EQ(p.entry_point, "LibMain");
    EXPECT_EQ(p.debugger_dir, p.make.dir);
    EXPECT_EQ(p.error_file, dir + "\\vyn\\calc.err");
    EXPECT_EQ(p.includes, "c:\\vyn\\include");
    EXPECT_EQ(p.exe, "calc.dll");
    EXPECT_EQ(p.debuggee, "");
    Project console;
    console.name = "tool";
    console.compiler_flags = flag::kConsole;
    ASSERT_TRUE(fill_defaults(console, dir, "", ui));
    EXPECT_EQ(console.make.dir, dir + "\\vyn1");
    EXPECT_EQ(console.exe, "tool.exe");
    EXPECT_EQ(console.debuggee, "tool.exe");
}

TEST_F(ProjectStoreTest, CompletingAsksForAMissingCompilerRoot)
{
    Project p;
    p.name = "x";
    p.project_path = "c:\\work";
    ui.text_answer = "c:\\vyn";
    ASSERT_TRUE(complete_project(p, *registry, ui));
    EXPECT_EQ(ui.asked.back(), "Enter path for the compiler root directory");
    EXPECT_EQ(p.compiler_root, "c:\\vyn");
    EXPECT_EQ(p.includes, "c:\\vyn\\include");
    EXPECT_EQ(p.sources_dir, "c:\\work");
    EXPECT_EQ(p.error_file, ".\\x.err");
    EXPECT_EQ(registry->read_string(HKCU, kCompilerKey, "includepath"), "c:\\vyn\\include");

    registry->write_string(HKCU, kCompilerKey, "includepath", "include");
    EXPECT_FALSE(complete_project(p, *registry, ui));
    EXPECT_EQ(ui.errors.back(), "Incorrect path for compiler in registry");

    registry->write_string(HKCU, kCompilerKey, "includepath", "C:\\VYN\\include");
    p.sources_dir = "c:\\vyn\\BIN";
    ASSERT_TRUE(complete_project(p, *registry, ui));
    EXPECT_EQ(ui.informed.back(), "Warning:\nPlease do not use c:\\vyn\\BIN to put your sources");
}

TEST(ProjectType, DerivedFromTheFlagWordInOrder)
{
    EXPECT_EQ(project_type(0x400 | 0x100 | 0x80), ProjectType::Library);
    EXPECT_EQ(project_type(0x100 | 0x80), ProjectType::Dll);
    EXPECT_EQ(project_type(0x80 | 0x40), ProjectType::Console);
    EXPECT_EQ(project_type(0x8), ProjectType::Windows);
    EXPECT_STREQ(project_type_name(ProjectType::Console), "Console application");
    EXPECT_EQ(with_output_type(0x8 | 0x40 | 0x100 | 0x400, flag::kConsole), 0x8u | 0x80u);
    EXPECT_EQ(normalised_flags(0x1000), 0x1008u);
}

}  // namespace
