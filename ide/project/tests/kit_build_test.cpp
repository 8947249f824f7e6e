// The dependency scan through the kit's real compiler driver: vyn -M lists
// a source's headers into the fixed list file in the scanner's directory,
// which is read and removed; a failing run is reported with its code.
// (The whole road, generated makefile to running program, is the Wine test:
// the makefile's names are Windows names.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/winpath.h"
#include "ide/project/diagnostics.h"
#include "ide/project/makefile_generator.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/tests/test_dirs.h"

namespace {

using namespace vyn::project;
namespace fs = std::filesystem;

TEST(KitDependencyScan, ListsTheHeadersOfASource)
{
    fs::path dir = vyn::testing::fresh_test_dir();
    fs::create_directories(dir / "src");
    std::ofstream(dir / "src" / "hello.h") << "#define GREETING \"hi\"\n";
    std::ofstream(dir / "src" / "hello.c") << "#include <stdio.h>\n#include \"hello.h\"\nint main(void) { return 0; }\n";
    ProcessDependencyScanner scanner(dir.string());
    std::string vyn = std::string(KIT_ROOT) + "/bin/vyn.exe";
    auto result = scanner.scan(vyn + " -M -Fo" + kDependencyListName + " -I" + KIT_ROOT + "/include  " +
                               (dir / "src" / "hello.c").string());
    ASSERT_TRUE(result.ok) << result.error_code;
    auto has = [&](const std::string& end) {
        for (const std::string& line : result.lines)
            if (line.ends_with(end))
                return true;
        return false;
    };
    EXPECT_TRUE(has("/src/hello.h"));
    EXPECT_TRUE(has("/include/stdio.h"));
    EXPECT_FALSE(fs::exists(dir / kDependencyListName));

    result = scanner.scan(vyn + " -M -Fo" + kDependencyListName + " " + (dir / "src" / "missing.c").string());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error_code, 0);
    EXPECT_FALSE(fs::exists(dir / kDependencyListName));
}

// The compiler's diagnostic for a source in a folder whose name holds
// blanks leads back to that source.
TEST(KitDiagnostics, ASourceInAFolderWithBlanksIsFoundAgain)
{
    fs::path dir = fs::path(vyn::testing::fresh_test_dir()) / "My Projects" / "Lab 2";
    fs::create_directories(dir);
    std::string source = (dir / "hello.c").string();
    std::ofstream(source) << "int main(void)\n{\n    return missing;\n}\n";
    vyn::platform::ProcessOptions options;
    options.stderr_file = (dir / "hello.err").string();
    std::string error;
    auto vyn = vyn::platform::Process::start(
        vyn::platform::command_line({std::string(KIT_ROOT) + "/bin/vyn.exe", "-c", source}), options, error);
    ASSERT_TRUE(vyn) << error;
    EXPECT_NE(vyn->wait(), 0u);
    auto bytes = vyn::platform::read_file(options.stderr_file);
    ASSERT_TRUE(bytes);
    std::string text(bytes->begin(), bytes->end());
    std::string first = text.substr(0, text.find('\n'));
    auto d = parse_diagnostic(first, dir.string());
    ASSERT_TRUE(d) << first;
    // The name the IDE gives the source itself, blanks and all.
    EXPECT_EQ(d->file, vyn::winpath::upper_az(vyn::winpath::full_path(source, "C:\\"))) << first;
    EXPECT_NE(d->file.find("\\MY PROJECTS\\LAB 2\\HELLO.C"), std::string::npos) << d->file;
    EXPECT_EQ(d->line, 3) << first;
}

}  // namespace
