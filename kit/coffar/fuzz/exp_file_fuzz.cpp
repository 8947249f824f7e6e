// Export-list reader fuzz target: any text is read; a list that reads is
// turned into an import library, which must read back to the same list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "kit/coffar/archive.h"
#include "kit/coffar/exp_file.h"
#include "kit/coffar/import_library.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
    auto list = vyn::coffar::read_exp(std::string(reinterpret_cast<const char*>(data), size), error);
    if (!list || list->exports.empty())
        return 0;
    auto archive = vyn::coffar::write_archive(vyn::coffar::import_members(*list));
    auto back = vyn::coffar::exports_of_import_library(archive, error);
    if (!back || back->exports.size() != list->exports.size())
        std::abort();
    for (std::size_t i = 0; i < list->exports.size(); ++i)
        if (back->exports[i].link_name != list->exports[i].link_name || back->exports[i].name != list->exports[i].name ||
            back->exports[i].data != list->exports[i].data)
            std::abort();
    return 0;
}
