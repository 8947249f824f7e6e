// libforge: makes the import library of a DLL from the export list its link
// left beside it: libforge name.exp name.lib
#include <cstdio>
#include <string>

#include "common/winpath.h"
#include "kit/coffar/archive.h"
#include "kit/coffar/exp_file.h"
#include "kit/coffar/import_library.h"
#include "platform/files.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: libforge exports.exp library.lib\n");
        return 1;
    }
    std::string exp_name = argv[1], lib_name = argv[2];
    auto bytes = vyn::platform::read_file(vyn::winpath::to_host(exp_name));
    if (!bytes) {
        std::fprintf(stderr, "libforge: cannot open %s\n", exp_name.c_str());
        return 1;
    }
    std::string error;
    auto list = vyn::coffar::read_exp(std::string(bytes->begin(), bytes->end()), error);
    if (!list) {
        std::fprintf(stderr, "libforge: %s(%s)\n", exp_name.c_str(), error.c_str());
        return 1;
    }
    if (list->exports.empty()) {
        std::fprintf(stderr, "libforge: %s lists no exports\n", exp_name.c_str());
        return 1;
    }
    auto archive = vyn::coffar::write_archive(vyn::coffar::import_members(*list));
    if (!vyn::platform::write_file_atomically(vyn::winpath::to_host(lib_name), archive)) {
        std::fprintf(stderr, "libforge: cannot write %s\n", lib_name.c_str());
        return 1;
    }
    return 0;
}
