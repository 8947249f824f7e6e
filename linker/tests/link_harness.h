// Running vynlnk and the oracle tools from tests. Each test works in a fresh
// directory under VYN_TEST_TMP with its own registry hive; the startup
// objects the linker looks for are compiled by clang into a "lib" directory
// that the hive's "libpath" value names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vyn::lnk::test {

struct RunResult {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// Runs a shell command line (already quoted) in directory; captures output.
RunResult run_command(const std::string& command, const std::string& directory, const std::string& stdin_text = "");
std::string quote(const std::string& word);

class LinkDir {
public:
    // A fresh directory named after the current test; "lib" inside it holds
    // vyncrt0.obj and libcrt0.obj, and the hive names it as the library
    // directory unless with_libpath is false.
    explicit LinkDir(bool with_libpath = true);

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string lib_dir() const { return path_ + "/lib"; }
    const std::string& hive() const { return hive_; }

    // vynlnk with these arguments, run in the directory, stdin from text.
    RunResult link(const std::vector<std::string>& args, const std::string& stdin_text = "") const;
    // Compiles C source into an object with clang for target (default the
    // MSVC-style i686 target); flags are added to the compiler's command line
    // as they stand (for example "-g" for debug information).
    std::string compile(const std::string& name, const std::string& source,
                        const std::string& target = "i686-pc-windows-msvc", const std::string& flags = "") const;
    void write_text(const std::string& name, const std::string& text) const;
    bool exists(const std::string& name) const;
    std::vector<std::uint8_t> read(const std::string& name) const;

private:
    std::string path_;
    std::string hive_;
};

// Oracles.
std::string readobj(const std::string& image, const std::string& options);
std::string objdump(const std::string& image, const std::string& options);
// The value of a "Key: value" line in llvm-readobj output (first match).
std::string field(const std::string& text, const std::string& key);
std::uint32_t field_number(const std::string& text, const std::string& key);
std::string mingw_lib(const std::string& name);  // /usr/i686-w64-mingw32/lib/lib<name>.a

}  // namespace vyn::lnk::test
