// The project made from one source, the files that are the project's (for
// Compile and for closing its windows), and the initial check-in of a new
// project's files.
#include "ide/project/default_project.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/project/project_files.h"
#include "ide/project/project_versions.h"
#include "ide/project/tests/scripted_ui.h"
#include "ide/versions/store.h"
#include "platform/files.h"
#include "platform/tests/test_dirs.h"

namespace {

using namespace vyn::project;
using vyn::project::testing::ScriptedUi;
namespace winpath = vyn::winpath;

class DefaultProject : public ::testing::Test {
protected:
    void SetUp() override { dir = winpath::to_backslashes(vyn::testing::fresh_test_dir()); }
    std::string dir;
    ScriptedUi ui;
};

TEST_F(DefaultProject, MainMakesAConsoleApplicationInTheFilesDirectory)
{
    auto p = make_default_project(dir + "\\Hello.c", {"helper", "main"}, {"other"}, "c:\\vyn\\include", ui);
    ASSERT_TRUE(p.has_value()) << (ui.errors.empty() ? "" : ui.errors[0]);
    EXPECT_EQ(p->name, "Hello");
    EXPECT_EQ(p->project_path, dir);
    EXPECT_EQ(p->sources_dir, dir);
    EXPECT_EQ(p->files, std::vector<std::string>{"Hello.c"});
    EXPECT_EQ(p->compiler_flags, flag::kConsole | flag::kDebugInfo);
    EXPECT_EQ(p->make.dir, dir + "\\vyn");
    EXPECT_TRUE(std::filesystem::is_directory(winpath::to_host(dir + "\\vyn")));
    EXPECT_EQ(p->exe, "Hello.exe");
    EXPECT_EQ(p->debuggee, "Hello.exe");
    EXPECT_EQ(p->includes, "c:\\vyn\\include");
    EXPECT_EQ(p->error_file, dir + "\\vyn\\Hello.err");
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(DefaultProject, WinMainMakesAWindowsApplicationAndMainWinsOverIt)
{
    auto windows = make_default_project(dir + "\\app.c", {"WndProc", "WinMain"}, {}, "", ui);
    ASSERT_TRUE(windows.has_value());
    EXPECT_EQ(windows->compiler_flags, flag::kWindows | flag::kDebugInfo);
    auto both = make_default_project(dir + "\\both.c", {"WinMain", "main"}, {}, "", ui);
    ASSERT_TRUE(both.has_value());
    EXPECT_EQ(both->compiler_flags, flag::kConsole | flag::kDebugInfo);
    EXPECT_EQ(both->make.dir, dir + "\\vyn1");
}

TEST_F(DefaultProject, EveryRefusalEndsWithTheSameLineAndMakesNoDirectory)
{
    EXPECT_FALSE(make_default_project(dir + "\\lib.c", {}, {}, "", ui));
    EXPECT_FALSE(make_default_project(dir + "\\lib.c", {"add", "Main"}, {}, "", ui));
    EXPECT_FALSE(make_default_project(dir + "\\taken.c", {"main"}, {"taken"}, "", ui));
    ASSERT_EQ(ui.errors.size(), 3u);
    EXPECT_EQ(ui.errors[0], "No functions defined in " + dir + "\\lib.c\nImpossible to generate default project");
    EXPECT_EQ(ui.errors[1],
              "Neither 'main' nor 'WinMain' defined in " + dir + "\\lib.c\nImpossible to generate default project");
    EXPECT_EQ(ui.errors[2], "A project with the name 'taken' exists already\nImpossible to generate default project");
    EXPECT_FALSE(std::filesystem::exists(winpath::to_host(dir + "\\vyn")));
}

TEST_F(DefaultProject, AMakeDirectoryThatCannotBeMadeIsTheDefaultProjectsFailureToo)
{
    for (std::string name : {"vyn", "vyn1", "vyn12", "vyn123", "vyn1234", "vyn12345", "vyn123456", "vyn1234567",
                             "vyn12345678"})
        std::filesystem::create_directories(winpath::to_host(dir + "\\" + name));
    EXPECT_FALSE(make_default_project(dir + "\\x.c", {"main"}, {}, "", ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Impossible to create a project subdir in\n" + dir + "\nImpossible to generate default project");
}

Project open_project()
{
    Project p;
    p.name = "calc";
    p.project_path = "C:\\work";
    p.sources_dir = "C:\\work\\src";
    p.files = {"main.c", "Calc.H", "d:\\lib\\util.c", "noext"};
    p.dependencies = {{"C:\\work\\src\\calc.h", "C:\\vyn\\include\\stdio.h"}};
    p.has_make_settings = true;
    p.make.dir = "C:\\work\\src\\vyn";
    return p;
}

TEST(ProjectFiles, ProjectFilesAreFoundByTheirDocumentNames)
{
    Project p = open_project();
    EXPECT_TRUE(is_project_file(p, "C:\\WORK\\SRC\\MAIN.C"));
    EXPECT_TRUE(is_project_file(p, "C:\\WORK\\SRC\\CALC.H"));
    EXPECT_TRUE(is_project_file(p, "D:\\LIB\\UTIL.C"));
    EXPECT_FALSE(is_project_file(p, "C:\\WORK\\MAIN.C"));
    EXPECT_FALSE(is_project_file(p, "C:\\WORK\\SRC\\MAIN.CPP"));
    p.sources_dir.clear();  // then the project directory holds them
    EXPECT_TRUE(is_project_file(p, "C:\\WORK\\MAIN.C"));
}

TEST(ProjectFiles, WindowsOfTheProjectAreItsFilesTheirHeadersAndTheMakeDirectory)
{
    Project p = open_project();
    EXPECT_TRUE(belongs_to_project(p, "C:\\WORK\\SRC\\MAIN.C"));
    EXPECT_TRUE(belongs_to_project(p, "C:\\VYN\\INCLUDE\\STDIO.H"));
    EXPECT_TRUE(belongs_to_project(p, "C:\\WORK\\SRC\\VYN\\MAKEFILE"));
    EXPECT_TRUE(belongs_to_project(p, "C:\\WORK\\SRC\\VYN\\CALC.ERR"));
    EXPECT_FALSE(belongs_to_project(p, "C:\\WORK\\SRC\\VYN1\\MAKEFILE"));
    EXPECT_FALSE(belongs_to_project(p, "C:\\WORK\\SRC\\VYN"));
    EXPECT_FALSE(belongs_to_project(p, "C:\\NOTES\\TODO.TXT"));
    EXPECT_FALSE(belongs_to_project(Project{}, "C:\\WORK\\SRC\\MAIN.C"));
}

TEST(ProjectFiles, TheCompiledObjectLiesInTheMakeDirectory)
{
    Project p = open_project();
    std::string error;
    EXPECT_EQ(compiled_object_file(p, "C:\\WORK\\SRC\\MAIN.C", error), "C:\\work\\src\\vyn\\main.obj");
    EXPECT_EQ(compiled_object_file(p, "C:\\WORK\\SRC\\MY.FILE.C", error), "C:\\work\\src\\vyn\\my.file.obj");
    EXPECT_FALSE(compiled_object_file(p, "C:\\WORK.D\\SRC\\NOEXT", error));
    EXPECT_EQ(error, "Error in object file name NOEXT");
}

TEST_F(DefaultProject, ANewVersionedProjectPutsEveryFileAsItsInitialRevision)
{
    std::string src = dir + "\\src";
    std::filesystem::create_directories(winpath::to_host(src));
    auto write = [](const std::string& path, const std::string& text) {
        ASSERT_TRUE(vyn::platform::write_file_atomically(winpath::to_host(path), {text.begin(), text.end()}));
    };
    write(src + "\\main.c", "int main(void) { return 0; }\n");
    write(src + "\\calc.h", "int add(int, int);\n");
    Project p;
    p.name = "calc";
    p.project_path = dir;
    p.sources_dir = src;
    p.cms_directory = dir + "\\CMS";
    p.files = {"main.c", "calc.h", "missing.c"};
    vyn::versions::RecordingUi store_ui;
    CheckInResult result = check_in_project_files(p, "ann", "2026.12.08.10.00.00", store_ui);
    EXPECT_EQ(result.revisions, 2) << vyn::join(store_ui.messages, "\n");
    EXPECT_EQ(result.failed, std::vector<std::string>{"missing.c"});
    // The working files stay; the store holds revision 1.1 of each.
    EXPECT_TRUE(std::filesystem::exists(winpath::to_host(src + "\\main.c")));
    vyn::versions::StoreContext context;
    context.cms_directory = winpath::to_host(p.cms_directory);
    context.working_directory = winpath::to_host(src);
    for (const char* file : {"main.c", "calc.h"}) {
        vyn::versions::RevisionFile revisions;
        std::string error;
        ASSERT_TRUE(vyn::versions::load_revision_file(context, file, revisions, error)) << file << ": " << error;
        EXPECT_EQ(revisions.head, "1.1") << file;
        EXPECT_EQ(vyn::versions::file_changed(context, file), 0) << file;
    }
}

}  // namespace
