#include "ide/versions/diff_outputs.h"

#include <algorithm>

#include "common/strings.h"
#include "ide/versions/file_io.h"

namespace vyn::versions {

namespace {

constexpr std::size_t kMaxShown = 200;

/* Lines [first, first + count) of text with one line of context on each
 * side where there is one, numbered from 1, each ending in "\r\n": a line
 * that has its own carriage return keeps it and gets no second one. At most
 * kMaxShown lines of the change itself are shown. The number is 4 wide, or
 * 6 wide for changes starting at line 9501 or later. */
std::string shown_lines(const Lines& text, std::size_t first, std::size_t count)
{
    const char* number_format = first + 1 >= 9501 ? "[%6lu]  " : "[%4lu]  ";
    std::string out;
    auto show = [&](std::size_t i) {
        out += format(number_format, ul(i + 1));
        std::string_view line = text.line(i);
        if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") {
            out += line;
            return;
        }
        out += text.bare(i);
        out += "\r\n";
    };
    if (first > 0 && first - 1 < text.size())
        show(first - 1);
    std::size_t shown = std::min(count, kMaxShown);
    for (std::size_t i = first; i < first + shown && i < text.size(); ++i)
        show(i);
    if (count > kMaxShown) {
        out += "Too many changes. Only the first 200 lines will be shown\r\n";
    } else if (first + count < text.size()) {
        show(first + count);
    }
    return out;
}

}  // namespace

std::string report_text(const std::string& first_name, const std::string& second_name, const Lines& first,
                        const Lines& second, const std::vector<Change>& changes, const std::string& date)
{
    std::string out = format("Tavra-Diff %s vs %s: %lu changes. %s\n", first_name.c_str(), second_name.c_str(),
                             ul(changes.size()), date.c_str());
    for (std::size_t k = 0; k < changes.size(); ++k) {
        const Change& c = changes[k];
        out += format("Change %lu\n", ul(k + 1));
        if (c.deleted) {
            out += format("%s: ", first_name.c_str());
            out += format("Erase %lu lines beginning with line %lu", ul(c.deleted), ul(c.line0 + 1));
            out += "\n";
            out += shown_lines(first, c.line0, c.deleted);
            out += "\n";
        }
        if (c.inserted) {
            out += format("%s: ", second_name.c_str());
            out += format("Add %lu lines beginning with line %lu", ul(c.inserted), ul(c.line1 + 1));
            out += "\n";
            out += shown_lines(second, c.line1, c.inserted);
            out += "\n";
        }
    }
    return out;
}

bool write_report(const std::string& report_path, const std::string& first_name, const std::string& second_name,
                  const Lines& first, const Lines& second, const std::vector<Change>& changes,
                  const std::string& date, Ui& ui, std::string& error)
{
    std::string text = report_text(first_name, second_name, first, second, changes, date);
    std::string existing;
    if (file_present(report_path) && read_whole_file(report_path, existing)) {
        if (existing.compare(0, 10, "Tavra-Diff") == 0) {
            if (!append_to_file(report_path, std::string(75, '-') + "\n" + text)) {
                error = format("Can't open working file %s", report_path.c_str());
                return false;
            }
            return true;
        }
        if (!ui.ask(format("%s exists already. Erase it?", report_path.c_str()))) {
            error = format("%s exists already.", report_path.c_str());
            return false;
        }
    }
    if (!write_file_replacing(report_path, text)) {
        error = format("Can't open working file %s", report_path.c_str());
        return false;
    }
    return true;
}

}  // namespace vyn::versions
