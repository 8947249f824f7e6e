// Running vsthost from a test and reading what it printed and wrote. The
// same helpers serve the native tests (the host's build) and the tests
// under Wine (the win64 build); only run_vsthost and the paths differ.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vyn::fxtest {

struct HostRun {
    int exit_code = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs vsthost with args (the plug-in path among them).
HostRun run_vsthost(const std::vector<std::string>& args);
// The built plug-in library: "delay" or "Vodaruvezuz".
std::string plugin_path(const std::string& name);
// A path for a scratch file of this test program; no file is there yet.
std::string scratch_path(const std::string& name);

std::vector<float> read_floats(const std::string& path);
void write_floats(const std::string& path, const std::vector<float>& samples);
std::vector<unsigned char> read_bytes(const std::string& path);
void write_bytes(const std::string& path, const std::vector<unsigned char>& bytes);

// From --show output: a field ("name", "label", "value", "display") of the
// parameter line with the given index; a bracketed field without brackets.
std::optional<std::string> parameter_field(const std::string& out, int index, const std::string& field);
// From --show output: the text after a heading such as "program" or "unique id".
std::optional<std::string> heading(const std::string& out, const std::string& name);
// The output of each --show, in order.
std::vector<std::string> shows(const std::string& out);
// Every "dispatch OP -> RESULT" line's result, in order.
std::vector<long> dispatch_results(const std::string& out);

}  // namespace vyn::fxtest
