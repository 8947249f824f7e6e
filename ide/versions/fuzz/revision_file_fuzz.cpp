// Feeds arbitrary bytes to the revision-file reader; whatever it accepts
// must be written back, read again identically, and every revision rebuilt
// without a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ide/versions/revision_file.h"
#include "ide/versions/revision_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vyn::versions;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    RevisionFile file;
    std::string error;
    if (!parse_revision_file(bytes, file, error))
        return 0;
    std::string written = write_revision_file(file);
    RevisionFile again;
    if (!parse_revision_file(written, again, error) || write_revision_file(again) != written)
        std::abort();
    for (const Revision& r : file.revisions) {
        std::string text;
        rebuild_text(file, r.number, text, error);
    }
    return 0;
}
