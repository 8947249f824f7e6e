// wizard: writes the skeleton of a new Windows program or DLL into the
// project directory and answers the IDE through the output file. Existing
// files are left as they are (the IDE adds them to the project all the same).
#include <cstdio>

#include "common/winpath.h"
#include "kit/wizard/skeleton.h"
#include "platform/files.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto request = vyn::wizard::parse_request(args, error);
    if (!request) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    auto files = vyn::wizard::skeleton(*request);
    for (const auto& file : files) {
        std::string host = vyn::winpath::to_host(file.path);
        if (vyn::platform::file_exists(host))
            continue;
        if (!vyn::platform::write_file_atomically(host, {file.text.begin(), file.text.end()})) {
            std::fprintf(stderr, "wizard: cannot write %s\n", file.path.c_str());
            return 1;
        }
    }
    std::string answer = vyn::wizard::answer_text(*request, files);
    if (!vyn::platform::write_file_atomically(vyn::winpath::to_host(request->out), {answer.begin(), answer.end()})) {
        std::fprintf(stderr, "wizard: cannot write %s\n", request->out.c_str());
        return 1;
    }
    return 0;
}
