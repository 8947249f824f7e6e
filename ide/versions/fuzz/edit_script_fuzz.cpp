// Applies arbitrary edit scripts to a small text, and checks on arbitrary
// pairs of texts that the engine's script turns the first into the second.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ide/versions/diff_engine.h"
#include "ide/versions/edit_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vyn::versions;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string output, error;
    Lines input(std::string("one\ntwo\nthree\nfour\nfive\n"));
    apply_edit_script(bytes, input, output, error);

    // Split the input at its first NUL into two texts and compare them.
    std::size_t cut = bytes.find('\0');
    if (cut == std::string::npos)
        return 0;
    std::string first = bytes.substr(0, cut), second = bytes.substr(cut + 1);
    for (unsigned options : {0u, diff_options::ignore_spaces | diff_options::ignore_case}) {
        Lines a(first), b(second);
        auto changes = compare_lines(a, b, options);
        if (options == 0) {
            std::string script = make_edit_script(b, changes);
            if (!apply_edit_script(script, a, output, error) || output != second)
                std::abort();
        }
    }
    return 0;
}
