// The project file reader on arbitrary bytes: it must refuse or accept
// without reading out of bounds, and what it accepts must write back to a
// file that reads back to the same project.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "resedit/tvr_file.h"

namespace {

struct QuietUi : vyn::resedit::Ui {
    void message(const std::string&) override {}
    bool ask(const std::string&) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QuietUi ui;
    auto project = vyn::resedit::read_tvr({data, size}, "fuzz.TVR", ui);
    if (!project)
        return 0;
    auto image = vyn::resedit::write_tvr(*project);
    auto again = vyn::resedit::read_tvr(image.bytes, "fuzz.TVR", ui);
    if (!again || !(*again == *project))
        std::abort();
    (void)vyn::resedit::tvr_documentation(*project, image);
    return 0;
}
