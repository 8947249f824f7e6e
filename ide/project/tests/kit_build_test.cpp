// The dependency scan through the kit's real compiler driver: vyn -M lists
// a source's headers into the fixed list file in the scanner's directory,
// which is read and removed; a failing run is reported with its code.
// (The whole road, generated makefile to running program, is the Wine test:
// the makefile's names are Windows names.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ide/project/makefile_generator.h"
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

}  // namespace
