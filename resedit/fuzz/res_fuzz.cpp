// The resource file reader on arbitrary bytes: validation, records, dialog
// and menu templates, and the script writer over whatever it accepted. A
// file it accepts saves back to bytes that load to the same records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "resedit/res_file.h"
#include "resedit/script_writer.h"

namespace {

struct QuietUi : vyn::resedit::Ui {
    void message(const std::string&) override {}
    bool ask(const std::string&) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QuietUi ui;
    auto file = vyn::resedit::read_res({data, size}, ui);
    if (!file)
        return 0;
    (void)vyn::resedit::resource_script(*file, vyn::resedit::SymbolTable{}, {});
    auto again = vyn::resedit::read_res(vyn::resedit::write_res(*file), ui);
    if (!again || again->records.size() != file->records.size())
        std::abort();
    for (std::size_t i = 0; i < file->records.size(); ++i)
        if (again->records[i].bytes != file->records[i].bytes)
            std::abort();
    return 0;
}
