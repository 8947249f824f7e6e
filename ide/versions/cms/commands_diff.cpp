// vyncms checksum, diff, patch and merge.
#include <cstdio>

#include "common/strings.h"
#include "ide/versions/checksum.h"
#include "ide/versions/cms/cli.h"
#include "ide/versions/diff_outputs.h"
#include "ide/versions/edit_script.h"
#include "ide/versions/file_io.h"
#include "ide/versions/revision_number.h"

namespace vyn::versions::cms {

namespace {

bool load(const std::string& path, Lines& lines)
{
    std::string bytes;
    if (!read_whole_file(path, bytes))
        return false;
    lines = Lines(std::move(bytes));
    return true;
}

void write_stdout(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

int cmd_checksum(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return usage("checksum takes one file");
    if (!file_present(args[0])) {
        std::fprintf(stderr, "vyncms: cannot read %s\n", args[0].c_str());
        return 2;
    }
    std::printf("%lu\n", static_cast<unsigned long>(file_checksum(args[0])));
    return 0;
}

int cmd_diff(const std::vector<std::string>& raw)
{
    Arguments args = parse_arguments(raw, "ebiy", "rp");
    if (!args.error.empty())
        return usage(args.error.c_str());
    if (args.operands.size() != 2)
        return usage("diff takes two files");
    int forms = (args.has('e') ? 1 : 0) + (args.has('r') ? 1 : 0) + (args.has('p') ? 1 : 0);
    if (forms > 1)
        return usage("choose one of -e, -r and -p");
    const std::string& a = args.operands[0];
    const std::string& b = args.operands[1];
    Lines first, second;
    if (!load(a, first) || !load(b, second)) {
        std::fprintf(stderr, "vyncms: diff impossible\n");
        return 2;
    }
    ConsoleUi ui(args.has('y'));
    if (args.has('p')) {
        // A patch script compares exactly: no ignoring of case or spaces.
        std::string script = make_patch_script(first.text(), second.text());
        std::vector<Change> changes = compare_lines(first, second, 0);
        if (!write_file_replacing(args.value('p'), script)) {
            std::fprintf(stderr, "vyncms: Can't open working file %s\n", args.value('p').c_str());
            return 2;
        }
        return changes.empty() ? 0 : 1;
    }
    unsigned options = 0;
    if (args.has('b'))
        options |= diff_options::ignore_spaces;
    if (args.has('i'))
        options |= diff_options::ignore_case;
    std::vector<Change> changes = compare_lines(first, second, options);
    if (args.has('r')) {
        if (changes.empty()) {
            ui.tell("Files identical");
            return 0;
        }
        std::string error;
        if (!write_report(args.value('r'), a, b, first, second, changes, date_now(), ui, error)) {
            std::fprintf(stderr, "vyncms: %s\n", error.c_str());
            return 2;
        }
        return 1;
    }
    write_stdout(make_edit_script(second, changes));
    std::fflush(stdout);
    return changes.empty() ? 0 : 1;
}

int cmd_patch(const std::vector<std::string>& raw)
{
    Arguments args = parse_arguments(raw, "y", "");
    if (!args.error.empty())
        return usage(args.error.c_str());
    if (args.operands.size() != 3) {
        std::fprintf(stderr, "vyncms: Please fill the paths for all three files\n");
        return 2;
    }
    ConsoleUi ui(args.has('y'));
    PatchOutcome outcome = apply_patch(args.operands[0], args.operands[1], args.operands[2], ui);
    if (!outcome.written) {
        std::fprintf(stderr, "vyncms: %s\n", outcome.error.c_str());
        return 2;
    }
    return outcome.crc_mismatch ? 1 : 0;
}

/* merge: -k lists the changes (numbered from 1, as "-l" shows them) where
 * the first file's text is kept; every other change takes the second
 * file's text. */
int cmd_merge(const std::vector<std::string>& raw)
{
    Arguments args = parse_arguments(raw, "ly", "k");
    if (!args.error.empty())
        return usage(args.error.c_str());
    bool list_only = args.has('l');
    if (args.operands.size() != (list_only ? 2u : 3u))
        return usage(list_only ? "merge -l takes two files" : "merge takes two files and an output file");
    Lines first, second;
    if (!load(args.operands[0], first) || !load(args.operands[1], second)) {
        std::fprintf(stderr, "vyncms: diff impossible\n");
        return 2;
    }
    std::vector<Change> changes = compare_lines(first, second, 0);
    if (list_only) {
        for (std::size_t i = 0; i < changes.size(); ++i)
            std::printf("Diff. %lu de %lu: %s%s", ul(i + 1), ul(changes.size()), delete_command(changes[i]).c_str(),
                        add_command(changes[i]).c_str());
        return 0;
    }
    std::vector<bool> keep_first(changes.size(), false);
    for (const std::string& item : split(args.value('k'), ',')) {
        if (trim(item).empty())
            continue;
        auto n = parse_long(item);
        if (!n || *n < 1 || static_cast<std::size_t>(*n) > changes.size()) {
            std::fprintf(stderr, "vyncms: no change %s\n", item.c_str());
            return 2;
        }
        keep_first[static_cast<std::size_t>(*n) - 1] = true;
    }
    ConsoleUi ui(args.has('y'));
    std::string error;
    if (!merge_files(args.operands[0], args.operands[1], args.operands[2], second, changes, keep_first, ui, error)) {
        std::fprintf(stderr, "vyncms: %s\n", error.c_str());
        return 2;
    }
    return 0;
}

}  // namespace vyn::versions::cms
