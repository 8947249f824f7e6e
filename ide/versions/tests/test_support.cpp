#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "testing/runner/command_runner.h"

namespace fs = std::filesystem;

namespace vyn::versions::testing {

std::string scratch_directory()
{
    const char* base = std::getenv("VYN_TEST_TMP");
    fs::path root = base ? fs::path(base) : fs::temp_directory_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("versions_") + info->test_suite_name() + "_" + info->name();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            c = '_';
    fs::path dir = root / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

std::string read_file(const std::string& path)
{
    std::string bytes;
    if (!platform::read_whole_file(path, bytes))
        bytes.clear();
    return bytes;
}

void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& path)
{
    return fs::exists(path);
}

std::string join(const std::string& dir, const std::string& name)
{
    return (fs::path(dir) / name).string();
}

std::string quote(const std::string& s)
{
    return runner::shell_quote(s);
}

RunResult run(const std::string& command, const std::string& directory)
{
    runner::CommandOptions options;
    options.directory = directory;
    options.merge_streams = true;
    runner::CommandResult r = runner::run_command(command, options);
    RunResult result;
    result.status = r.shell_status();
    result.output = std::move(r.out);
    return result;
}

RunResult vyncms(const std::string& arguments, const std::string& directory, const std::string& environment)
{
    std::string command = environment.empty() ? "" : environment + " ";
    return run(command + quote(VYNCMS_PATH) + " " + arguments, directory);
}

std::string random_text(std::mt19937& random, int lines, int vocabulary)
{
    std::string text;
    std::uniform_int_distribution<int> word(0, vocabulary - 1);
    for (int i = 0; i < lines; ++i)
        text += "line " + std::to_string(word(random)) + "\n";
    return text;
}

std::string mutate(std::mt19937& random, const std::string& text, int edits, int vocabulary)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l))
        lines.push_back(l);
    std::uniform_int_distribution<int> word(0, vocabulary - 1);
    for (int e = 0; e < edits; ++e) {
        std::size_t at = lines.empty() ? 0 : std::uniform_int_distribution<std::size_t>(0, lines.size())(random);
        switch (random() % 3) {
        case 0:
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), "new " + std::to_string(word(random)));
            break;
        case 1:
            if (at < lines.size())
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
            break;
        default:
            if (at < lines.size())
                lines[at] = "changed " + std::to_string(word(random));
            break;
        }
    }
    std::string out;
    for (const std::string& s : lines)
        out += s + "\n";
    return out;
}

}  // namespace vyn::versions::testing
