// vyndump reads the image through its read-only mapping: natively (mmap) and,
// built for Windows, under Wine (CreateFileMapping and MapViewOfFile). Both
// must print exactly the tables and the listing that the checked-in dump of
// tests/images holds for a vyn -g2 program linked by vynlnk, and both refuse
// a file that cannot be mapped with the reader's own message.
//
// The expected dumps are vyndump's output, made again after a deliberate
// change of its format with
//     vyndump IMAGE > IMAGE.tables; vyndump --disasm IMAGE > IMAGE.listing
// (IMAGE without its ".exe").
#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"
#include "platform/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using namespace vyn;

std::string vyndump_path()
{
#ifdef _WIN32
    return winpath::join(winpath::directory(platform::executable_path()), "vyndump.exe");
#else
    return VYNDUMP_PATH;
#endif
}

std::string image_path(const std::string& name)
{
    return std::string(VYN_DEBUGGER_TEST_IMAGES) + "/" + name;
}

// A fresh scratch path of this test program.
std::string scratch(const std::string& name)
{
    const char* dir = std::getenv("VYN_TEST_TMP");
    std::string root = winpath::to_host(dir ? dir : platform::temporary_directory());
    platform::make_directories(root);
    std::string path = winpath::to_host(winpath::join(root, "debugger_mapping_" + name));
    platform::remove_file(path);
    return path;
}

// Text as lines ending in "\n" (a Windows program writes "\r\n").
std::string read_text(const std::string& path)
{
    auto bytes = platform::read_file(path);
    std::string text = bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<unreadable>");
    replace_all(text, "\r\n", "\n");
    return text;
}

struct Dump {
    int exit_code = -1;
    std::string out, err;
};

Dump vyndump(const std::string& args)
{
    platform::ProcessOptions options;
    options.hidden = true;
    options.stdout_file = scratch("stdout.txt");
    options.stderr_file = scratch("stderr.txt");
    Dump d;
    std::string error;
    auto process = platform::Process::start("\"" + vyndump_path() + "\" " + args, options, error);
    if (!process) {
        d.err = error;
        return d;
    }
    auto code = process->wait(60000);
    d.exit_code = code ? static_cast<int>(*code) : -1;
    d.out = read_text(options.stdout_file);
    d.err = read_text(options.stderr_file);
    return d;
}

std::string in_quotes(const std::string& path)
{
    return "\"" + path + "\"";
}

TEST(VyndumpMapping, PrintsTheExpectedTablesAndListingOfALinkedProgram)
{
    Dump d = vyndump(in_quotes(image_path("vyn_program.exe")));
    ASSERT_EQ(d.exit_code, 0) << d.err;
    EXPECT_EQ(d.err, "");
    EXPECT_EQ(d.out, read_text(image_path("vyn_program.tables")));
    d = vyndump("--disasm " + in_quotes(image_path("vyn_program.exe")));
    ASSERT_EQ(d.exit_code, 0) << d.err;
    EXPECT_EQ(d.out, read_text(image_path("vyn_program.listing")));
}

TEST(VyndumpMapping, RefusesAnEmptyFileAndADirectoryAtTheMapping)
{
    std::string empty = scratch("empty.exe");
    ASSERT_TRUE(platform::write_file_atomically(empty, {}));
    Dump d = vyndump(in_quotes(empty));
    EXPECT_EQ(d.exit_code, 1);
    EXPECT_EQ(d.out, "");
    EXPECT_EQ(d.err, "vyndump: Couldn't open file mapping with CreateFileMapping()\n");

    std::string dir = scratch("folder.exe");
    ASSERT_TRUE(platform::make_directories(dir));
    d = vyndump(in_quotes(dir));
    EXPECT_EQ(d.exit_code, 1);
    EXPECT_EQ(d.err, "vyndump: Couldn't open file mapping with CreateFileMapping()\n");

    d = vyndump(in_quotes(scratch("missing.exe")));
    EXPECT_EQ(d.exit_code, 1);
    EXPECT_EQ(d.err, "vyndump: cannot open " + scratch("missing.exe") + "\n");
}

}  // namespace
