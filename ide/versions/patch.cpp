#include "ide/versions/diff_outputs.h"

#include <cstdio>
#include <filesystem>

#include "common/strings.h"
#include "ide/versions/checksum.h"
#include "ide/versions/edit_script.h"
#include "ide/versions/file_io.h"

namespace vyn::versions {

namespace {

bool is_ws(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

/* split_patch: separates a patch script into its edit script and the
 * trailer "@ <source checksum> <result checksum>" at its end. A script
 * without a trailer is all edit script, with both checksums 0. */
void split_patch(const std::string& script, std::string_view& body, std::uint32_t& source_crc,
                 std::uint32_t& result_crc)
{
    body = script;
    source_crc = result_crc = 0;
    std::size_t p = script.size();
    auto skip_ws = [&] {
        while (p > 0 && is_ws(script[p - 1]))
            --p;
    };
    auto number = [&](std::uint32_t& value) {
        std::size_t end = p;
        while (p > 0 && end - p < 10 && script[p - 1] >= '0' && script[p - 1] <= '9')
            --p;
        if (p == end)
            return false;
        auto parsed = parse_u32(std::string_view(script).substr(p, end - p));
        if (!parsed)
            return false;
        value = *parsed;
        return true;
    };
    std::uint32_t second = 0, first = 0;
    skip_ws();
    if (!number(second))
        return;
    skip_ws();
    if (!number(first))
        return;
    skip_ws();
    if (p == 0 || script[p - 1] != '@')
        return;
    body = std::string_view(script).substr(0, p - 1);
    source_crc = first;
    result_crc = second;
}

}  // namespace

std::string make_patch_script(const std::string& first, const std::string& second)
{
    std::string out = edit_script_between(first, second);
    out += format("@\n%10ld %10ld\n", static_cast<long>(text_checksum(first)), static_cast<long>(text_checksum(second)));
    return out;
}

PatchOutcome apply_patch(const std::string& script_path, const std::string& source_path,
                         const std::string& output_path, Ui& ui)
{
    PatchOutcome outcome;
    if (script_path.empty() || source_path.empty() || output_path.empty()) {
        outcome.error = "Please fill the paths for all three files";
        return outcome;
    }
    std::string script;
    if (!read_whole_file(script_path, script)) {
        outcome.error = format("Script file %s not found", script_path.c_str());
        return outcome;
    }
    std::string source;
    if (!read_whole_file(source_path, source)) {
        outcome.error = format("Source file %s not found", source_path.c_str());
        return outcome;
    }
    std::string_view body;
    std::uint32_t source_crc = 0, result_crc = 0;
    split_patch(script, body, source_crc, result_crc);
    if (source_crc != 0 && source_crc != text_checksum(source)) {
        if (!ui.ask("Source file CRC differs! Continue?")) {
            outcome.error = "Source file CRC differs!";
            return outcome;
        }
    }
    std::string result;
    if (!apply_edit_script(body, Lines(std::move(source)), result, outcome.error))
        return outcome;
    if (!write_file_replacing(output_path, result)) {
        outcome.error = format("Can't open working file %s", output_path.c_str());
        return outcome;
    }
    outcome.written = true;
    if (result_crc != 0 && result_crc != text_checksum(result)) {
        outcome.crc_mismatch = true;
        outcome.error = "Result CRC differs from expected!";
        ui.tell(outcome.error);
    }
    return outcome;
}

bool merge_files(const std::string& first_path, const std::string& second_path, const std::string& output_path,
                 const Lines& second, const std::vector<Change>& changes, const std::vector<bool>& keep_first,
                 Ui& ui, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    auto same = [&](const std::string& a, const std::string& b) {
        return a == b || (fs::exists(a, ec) && fs::exists(b, ec) && fs::equivalent(a, b, ec));
    };
    if (same(output_path, first_path) || same(output_path, second_path)) {
        error = "Name of output file should be\ndifferent from both input files";
        return false;
    }
    std::size_t marked = 0;
    for (std::size_t i = 0; i < changes.size(); ++i)
        marked += keep_first[i] ? 1 : 0;

    auto copy_whole = [&](const std::string& from, const std::string& unused_name) {
        if (!ui.ask(format("No text from file %s was used,\nthe new file would be a copy of %s\n\nCopy anyway?",
                           unused_name.c_str(), from.c_str()))) {
            error = "Merge cancelled";
            return false;
        }
        std::string bytes;
        if (!read_whole_file(from, bytes)) {
            error = format("Script file %s not found", from.c_str());
            return false;
        }
        if (!write_file_replacing(output_path, bytes)) {
            error = format("Can't open working file %s", output_path.c_str());
            return false;
        }
        ui.tell("Merge finished");
        return true;
    };
    if (marked == 0)
        return copy_whole(second_path, first_path);
    if (marked == changes.size())
        return copy_whole(first_path, second_path);

    // The unmarked changes, as a patch script with zero checksums.
    std::string script;
    for (std::size_t i = 0; i < changes.size(); ++i)
        if (!keep_first[i])
            script += make_edit_script(second, {changes[i]});
    script += format("@\n%10ld %10ld\n", 0L, 0L);
    std::string dir = fs::path(output_path).has_parent_path() ? fs::path(output_path).parent_path().string() : ".";
    std::string script_path = fresh_temporary_name(dir, "mrg");
    if (!write_temporary(script_path, script)) {
        delete_file(script_path);
        error = format("Can't open working file %s", script_path.c_str());
        return false;
    }
    PatchOutcome outcome = apply_patch(script_path, first_path, output_path, ui);
    delete_file(script_path);
    if (!outcome.written) {
        error = outcome.error;
        return false;
    }
    ui.tell("Merge finished");
    return true;
}

}  // namespace vyn::versions
