// vynlib: writes a COFF archive from objects (and the members of other
// archives): vynlib /OUT:name.lib file...
#include <cstdio>
#include <string>
#include <vector>

#include "common/strings.h"
#include "common/winpath.h"
#include "kit/coffar/archive.h"
#include "kit/coffar/object_symbols.h"
#include "platform/files.h"

namespace {

using vyn::coffar::ArchiveMember;

int fail(const std::string& message)
{
    std::fprintf(stderr, "vynlib: %s\n", message.c_str());
    return 1;
}

// Adds one input: an object as one member, an archive as its members.
bool add_input(const std::string& path, std::vector<ArchiveMember>& members, std::string& error)
{
    auto bytes = vyn::platform::read_file(vyn::winpath::to_host(path));
    if (!bytes) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<ArchiveMember> found;
    if (vyn::coffar::is_archive(*bytes)) {
        std::string why;
        auto inner = vyn::coffar::read_archive(*bytes, why);
        if (!inner) {
            error = path + ": " + why;
            return false;
        }
        found = std::move(*inner);
    } else {
        found.push_back({std::string(vyn::winpath::base_name(path)), std::move(*bytes), {}});
    }
    for (ArchiveMember& m : found) {
        std::string why;
        auto symbols = vyn::coffar::public_symbols(m.bytes, why);
        if (!symbols) {
            error = path + (m.name == vyn::winpath::base_name(path) ? "" : "(" + m.name + ")") + ": " + why;
            return false;
        }
        m.symbols = std::move(*symbols);
        members.push_back(std::move(m));
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string output;
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a[0] == '/' || a[0] == '-') && vyn::starts_with_nocase(a.substr(1), "out:"))
            output = a.substr(5);
        else if ((a[0] == '/' || a[0] == '-') && vyn::equals_nocase(a.substr(1), "nologo"))
            continue;
        else if (a.size() > 1 && a[0] == '-')
            return fail("unknown option " + a);
        else
            inputs.push_back(a);
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: vynlib /OUT:library.lib object.obj...\n");
        return 1;
    }
    if (output.empty())
        output = vyn::winpath::replace_extension(inputs.front(), ".lib");
    std::vector<ArchiveMember> members;
    for (const std::string& input : inputs) {
        std::string error;
        if (!add_input(input, members, error))
            return fail(error);
    }
    std::vector<std::uint8_t> archive = vyn::coffar::write_archive(members);
    if (!vyn::platform::write_file_atomically(vyn::winpath::to_host(output), archive))
        return fail("cannot write " + output);
    return 0;
}
