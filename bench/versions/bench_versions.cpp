// Speed of the difference engine beside GNU diff -n, and of put and get on
// a long history. Run by hand: bench_versions [scratch directory].
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/strings.h"
#include "ide/versions/diff_engine.h"
#include "ide/versions/edit_script.h"
#include "ide/versions/file_io.h"
#include "ide/versions/store.h"

namespace fs = std::filesystem;
using namespace vyn::versions;
using Clock = std::chrono::steady_clock;

namespace {

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::string> make_lines(std::mt19937& random, int count)
{
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        lines.push_back(vyn::format("    value_%u = compute(%u, %d);", static_cast<unsigned>(random() % 100000),
                                    static_cast<unsigned>(random() % 1000), i % 97));
    return lines;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

// Times GNU diff -n on two files; returns the script size.
std::size_t gnu_diff(const std::string& a, const std::string& b, double& elapsed)
{
    std::string command = "diff -n '" + a + "' '" + b + "'";
    Clock::time_point start = Clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    std::size_t size = 0;
    char buffer[65536];
    std::size_t n;
    while (pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        size += n;
    if (pipe)
        pclose(pipe);
    elapsed = seconds_since(start);
    return size;
}

void diff_case(const std::string& dir, const char* name, const std::string& first, const std::string& second)
{
    std::string a = (fs::path(dir) / "first.txt").string(), b = (fs::path(dir) / "second.txt").string();
    write_file_replacing(a, first);
    write_file_replacing(b, second);
    // As the tool does it: read both files, compare, write the script.
    Clock::time_point start = Clock::now();
    std::string x, y;
    read_whole_file(a, x);
    read_whole_file(b, y);
    Lines la(std::move(x)), lb(std::move(y));
    std::string script = make_edit_script(lb, compare_lines(la, lb, 0));
    double ours = seconds_since(start);
    double theirs = 0;
    std::size_t gnu_size = gnu_diff(a, b, theirs);
    std::printf("%-28s engine %8.3f s %9zu bytes | GNU diff -n %8.3f s %9zu bytes | size ratio %.4f\n", name, ours,
                script.size(), theirs, gnu_size, gnu_size ? static_cast<double>(script.size()) / gnu_size : 1.0);
}

struct SilentUi : Ui {
    void tell(const std::string&) override {}
    bool ask(const std::string&) override { return false; }
};

void store_case(const std::string& dir)
{
    StoreContext context;
    context.working_directory = (fs::path(dir) / "work").string();
    context.cms_directory = (fs::path(dir) / "CMS").string();
    context.user = "bench";
    fs::create_directories(context.working_directory);
    fs::create_directories(context.cms_directory);
    std::mt19937 random(1);
    std::vector<std::string> lines = make_lines(random, 10000);
    SilentUi ui;
    double put_total = 0, last_put = 0;
    const int revisions = 500;
    for (int i = 0; i < revisions; ++i) {
        for (int k = 0; k < 10; ++k)
            lines[random() % lines.size()] = vyn::format("    changed_%d_%d();", i, k);
        write_file_replacing((fs::path(context.working_directory) / "big.c").string(), joined(lines));
        context.date = vyn::format("2026.1.%d.%d.%d.%d", 1 + i / 86400, i / 3600 % 24, i / 60 % 60, i % 60);
        PutRequest request;
        request.file = "big.c";
        request.quiet = true;
        Clock::time_point start = Clock::now();
        if (!put_file(context, request, ui).ok) {
            std::printf("put %d failed\n", i);
            return;
        }
        last_put = seconds_since(start);
        put_total += last_put;
    }
    GetRequest get;
    get.file = "big.c";
    get.revision = "1.1";
    get.overwrite = true;
    get.quiet = true;
    const int gets = 5;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < gets; ++i)
        if (!get_file(context, get, ui)) {
            std::printf("get failed\n");
            return;
        }
    double get_time = seconds_since(start) / gets;
    std::printf("put of a 10,000-line file: %.4f s per put on average over %d, %.4f s for the 500th\n",
                put_total / revisions, revisions, last_put);
    std::printf("get of the oldest of %d revisions: %.4f s per get (revision file %.1f MB)\n", revisions, get_time,
                static_cast<double>(fs::file_size(fs::path(context.cms_directory) / "big.c")) / 1e6);
}

}  // namespace

int main(int argc, char** argv)
{
    // --files DIR: only write the 1% case's two files (first.txt,
    // second.txt) for diff_processes.sh, which times whole processes.
    const bool files_only = argc > 2 && std::string(argv[1]) == "--files";
    if (files_only) {
        ++argv;
        --argc;
    }
    std::string dir = argc > 1 ? argv[1] : (fs::temp_directory_path() / "vyn_bench_versions").string();
    fs::remove_all(dir);
    fs::create_directories(dir);

    std::mt19937 random(2026);
    std::vector<std::string> base = make_lines(random, 200000);
    std::vector<std::string> scattered = base;
    for (std::size_t i = 0; i < scattered.size() / 100; ++i) {
        std::size_t at = random() % scattered.size();
        switch (random() % 3) {
        case 0:
            scattered[at] = vyn::format("    edited_%zu();", i);
            break;
        case 1:
            scattered.erase(scattered.begin() + static_cast<long>(at));
            break;
        default:
            scattered.insert(scattered.begin() + static_cast<long>(at), vyn::format("    inserted_%zu();", i));
            break;
        }
    }
    if (files_only) {
        write_file_replacing((fs::path(dir) / "first.txt").string(), joined(base));
        write_file_replacing((fs::path(dir) / "second.txt").string(), joined(scattered));
        return 0;
    }
    diff_case(dir, "200,000 lines, 1% scattered", joined(base), joined(scattered));

    std::vector<std::string> moved = base;
    std::vector<std::string> block(moved.begin() + 20000, moved.begin() + 70000);
    moved.erase(moved.begin() + 20000, moved.begin() + 70000);
    moved.insert(moved.begin() + 150000 - 50000, block.begin(), block.end());
    diff_case(dir, "200,000 lines, 50,000 moved", joined(base), joined(moved));

    store_case(dir);
    fs::remove_all(dir);
    return 0;
}
