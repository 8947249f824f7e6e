// implist: the export list of a DLL, read from an import library that
// another tool chain ships (used while the kit is assembled):
// implist import-library.a exports.exp [dll-name]
#include <cstdio>
#include <string>

#include "common/winpath.h"
#include "kit/coffar/exp_file.h"
#include "kit/coffar/import_library.h"
#include "platform/files.h"

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: implist import-library exports.exp [dll-name]\n");
        return 1;
    }
    auto bytes = vyn::platform::read_file(vyn::winpath::to_host(argv[1]));
    if (!bytes) {
        std::fprintf(stderr, "implist: cannot open %s\n", argv[1]);
        return 1;
    }
    std::string error;
    auto list = vyn::coffar::exports_of_import_library(*bytes, error);
    if (!list) {
        std::fprintf(stderr, "implist: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    if (argc == 4)
        list->dll = argv[3];
    std::string text = vyn::coffar::write_exp(*list);
    if (!vyn::platform::write_file_atomically(vyn::winpath::to_host(argv[2]),
                                              std::vector<std::uint8_t>(text.begin(), text.end()))) {
        std::fprintf(stderr, "implist: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
