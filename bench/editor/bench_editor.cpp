// Speed of the editor's portable core on a 100 MB C file made of real
// sources (this repository's and the system's headers, repeated): the
// comment scan and colouring of every row, a plain search and a
// regular-expression search for a word near the end, beside GNU grep on the
// same file in the same run. Run by hand: bench_editor [scratch directory].
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ide/editor/colourer.h"
#include "ide/editor/comment_scan.h"
#include "ide/editor/document.h"
#include "ide/editor/language.h"
#include "ide/editor/line_reader.h"
#include "ide/editor/regex.h"
#include "ide/editor/search_walker.h"
#include "ide/editor/find_flags.h"

namespace fs = std::filesystem;
using namespace vyn::editor;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t target_size = 100u * 1000u * 1000u;
constexpr int runs = 5;
// The word searched for: it occurs once, in the last hundredth of the file.
constexpr const char* marker = "vynsearchmarkword";

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median_of(std::function<void()> run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        Clock::time_point start = Clock::now();
        run();
        times.push_back(seconds_since(start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every C and C++ source and header under the roots, in a stable order.
std::vector<fs::path> sources(const std::vector<fs::path>& roots)
{
    std::vector<fs::path> found;
    for (const fs::path& root : roots) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
             it != end; it.increment(error)) {
            if (error)
                break;
            std::string ext = it->path().extension().string();
            if (it->is_regular_file(error) && (ext == ".c" || ext == ".h" || ext == ".cpp"))
                found.push_back(it->path());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string make_corpus(const std::vector<fs::path>& files)
{
    std::string text;
    text.reserve(target_size + (1u << 20));
    bool marked = false;
    while (text.size() < target_size) {
        for (const fs::path& file : files) {
            text += read_file(file);
            if (!text.empty() && text.back() != '\n')
                text += '\n';
            if (!marked && text.size() > target_size / 100 * 99) {
                text += std::string("static int ") + marker + " = 1;\n";
                marked = true;
            }
            if (text.size() >= target_size)
                break;
        }
    }
    return text;
}

// Runs a command and returns its standard output.
std::string run(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    fs::path dir = argc > 1 ? argv[1] : fs::temp_directory_path() / "vyn_bench_editor";
    fs::create_directories(dir);
    fs::path source_root = fs::path(__FILE__).parent_path().parent_path().parent_path();
    std::vector<fs::path> files = sources({source_root / "common", source_root / "ide", source_root / "linker",
                                           source_root / "platform", "/usr/include"});
    std::string corpus = make_corpus(files);
    fs::path file = dir / "big.c";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(corpus.data(), static_cast<std::streamsize>(corpus.size()));
    }
    double megabytes = static_cast<double>(corpus.size()) / 1e6;

    Document document;
    {
        std::vector<std::string> texts;
        split_into_lines({reinterpret_cast<const std::uint8_t*>(corpus.data()), corpus.size()}, texts);
        document.lines.reserve(texts.size());
        for (std::string& text : texts)
            document.lines.push_back(Line{std::move(text), 0});
    }
    attach_language(document, &c_language());
    std::printf("corpus: %zu source files, %.1f MB, %d lines (%s)\n", files.size(), megabytes, document.line_count(),
                file.c_str());

    // Colouring: the comment scan, then every row as the painter asks for it.
    double scan = median_of([&] {
        document.flags &= static_cast<std::uint16_t>(~docflag::comments_valid);
        ensure_comments(document);
    });
    std::size_t keyword_spans = 0;
    double colour = median_of([&] {
        ColouredRow row;
        keyword_spans = 0;
        for (int line = 0; line < document.line_count(); ++line) {
            colour_line(document, line, 4, true, row);
            for (const ColourSpan& span : row.spans)
                keyword_spans += span.colour == Colour::keyword;
        }
    });
    std::printf("comment scan   %7.3f s  %7.1f MB/s  (%zu regions)\n", scan, megabytes / scan, document.comments.size());
    std::printf("colour rows    %7.3f s  %7.1f MB/s  (%zu keyword spans)\n", colour, megabytes / colour, keyword_spans);
    std::printf("scan + colour  %7.3f s  %7.1f MB/s   goal >= 50 MB/s\n", scan + colour, megabytes / (scan + colour));

    // Plain search from the top for the word near the end.
    SearchRequest request;
    request.text = marker;
    request.flags = findflag::forwards | findflag::exact;
    SearchResult found;
    double plain = median_of([&] { found = find_text(document, request); });
    std::string grep_out;
    std::string quoted = "'" + file.string() + "'";
    double grep_plain = median_of([&] { grep_out = run(std::string("grep -F -c ") + marker + " " + quoted); });
    std::printf("plain search   %7.3f s  line %d | grep -F -c %7.3f s (count %s) | ratio %.2f  goal <= 1.0\n", plain,
                found.match ? found.match->start.line + 1 : 0, grep_plain, grep_out.substr(0, grep_out.find('\n')).c_str(),
                plain / grep_plain);

    // Regular-expression searches: one with a known first character, one
    // that may start anywhere and relies on the required literal.
    struct Case {
        const char* ours;
        const char* grep;
    } cases[] = {
        {"vynsearch[a-z]+word", "grep -c 'vynsearch[a-z]\\+word'"},
        {"[a-z_]*searchmark[a-z]*", "grep -c '[a-z_]*searchmark[a-z]*'"},
    };
    for (const Case& c : cases) {
        std::string message;
        std::optional<CompiledRegex> re = compile_regex(c.ours, message);
        if (!re) {
            std::printf("%s: %s\n", c.ours, message.c_str());
            continue;
        }
        SearchResult regex_found;
        double ours = median_of([&] { regex_found = find_regex(document, *re, request); });
        double theirs = median_of([&] { grep_out = run(std::string(c.grep) + " " + quoted); });
        std::printf("regex %-24s %7.3f s  line %d | %s %7.3f s (count %s) | ratio %.2f  goal <= 2.0\n", c.ours, ours,
                    regex_found.match ? regex_found.match->start.line + 1 : 0, c.grep, theirs,
                    grep_out.substr(0, grep_out.find('\n')).c_str(), ours / theirs);
    }
    fs::remove(file);
    return 0;
}
