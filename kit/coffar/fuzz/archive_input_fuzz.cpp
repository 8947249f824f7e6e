// vynlib's input reader fuzz target: any bytes are read as an archive and
// as an object; what reads is written into an archive that must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "kit/coffar/archive.h"
#include "kit/coffar/import_library.h"
#include "kit/coffar/object_symbols.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> bytes(data, size);
    std::string error;
    std::vector<vyn::coffar::ArchiveMember> members;
    if (auto read = vyn::coffar::read_archive(bytes, error))
        members = std::move(*read);
    else
        members.push_back({"input.obj", {data, data + size}, {}});
    for (auto& m : members)
        if (auto symbols = vyn::coffar::public_symbols(m.bytes, error))
            m.symbols = *symbols;
    (void)vyn::coffar::exports_of_import_library(bytes, error);
    auto archive = vyn::coffar::write_archive(members);
    auto back = vyn::coffar::read_archive(archive, error);
    if (!back || back->size() != members.size())
        std::abort();
    return 0;
}
