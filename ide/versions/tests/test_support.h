// Helpers of the version-control tests: scratch directories, files, running
// vyncms and the oracle programs, random texts.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace vyn::versions::testing {

// A fresh empty directory under VYN_TEST_TMP (or the system's temporary
// directory) named after the running test.
std::string scratch_directory();

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);
std::string join(const std::string& dir, const std::string& name);

struct RunResult {
    int status = -1;  // exit status, or 128 + signal
    std::string output;
};
// Runs a shell command line (in directory when given), capturing standard
// output and standard error together.
RunResult run(const std::string& command, const std::string& directory = {});
// Runs vyncms with the given argument text.
RunResult vyncms(const std::string& arguments, const std::string& directory = {}, const std::string& environment = {});
std::string quote(const std::string& s);

// A random text of lines drawn from a small vocabulary (so that lines
// repeat, as in real sources).
std::string random_text(std::mt19937& random, int lines, int vocabulary = 40);
// The text with random insertions, deletions and replacements of lines.
std::string mutate(std::mt19937& random, const std::string& text, int edits, int vocabulary = 40);

}  // namespace vyn::versions::testing
