// Helpers of the kit's tests.
#include "kit/vyn/tests/vyn_test_support.h"

#include "kit/vyn/clang_command.h"
#include "kit/vyn/host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace vyn::cc::test {

std::string program_text(const std::string& name)
{
    std::ifstream in(std::string(VYN_TEST_PROGRAMS) + "/" + name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_FALSE(ss.str().empty()) << name;
    return ss.str();
}

lnk::test::RunResult run_vyn(const std::vector<std::string>& args, const std::string& directory)
{
    std::string command = "VYN_INCLUDE=" + lnk::test::quote(kDebianHeaders) +
                          " VYN_REGISTRY=" + lnk::test::quote(directory + "/vyn.reg") + " " +
                          lnk::test::quote(VYN_PATH);
    for (const std::string& a : args)
        command += " " + lnk::test::quote(a);
    return lnk::test::run_command(command, directory);
}

void clang_object(const lnk::test::LinkDir& d, const std::string& source, const std::string& object,
                  const std::vector<std::string>& vyn_switches, bool dwarf)
{
    std::vector<std::string> args = vyn_switches;
    args.insert(args.begin(), "-c");
    args.push_back(d.file(source));
    ParseResult parsed = parse_options(args);
    ASSERT_TRUE(parsed.options) << parsed.error;
    ClangInputs in{d.file(source), kDebianHeaders, {}};
    std::vector<std::string> clang = object_arguments(*parsed.options, in, d.file(object));
    if (dwarf)
        std::replace(clang.begin(), clang.end(), std::string("-gcodeview"), std::string("-gdwarf"));
    ClangRun run = make_process_host()->run_clang(clang, false);
    ASSERT_EQ(run.exit_code, 0) << run.error << run.stderr_text;
}

std::string llvm_readobj(const std::string& file, const std::string& options)
{
    return lnk::test::readobj(file, options);
}

std::string llvm_objdump(const std::string& file, const std::string& options)
{
    return lnk::test::objdump(file, options);
}

}  // namespace vyn::cc::test
