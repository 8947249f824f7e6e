#include "ide/versions/edit_script.h"

#include <cstdint>

#include "common/strings.h"

namespace vyn::versions {

std::string delete_command(const Change& change)
{
    return change.deleted ? format("d%lu %lu\n", ul(change.line0 + 1), ul(change.deleted)) : std::string();
}

std::string add_command(const Change& change)
{
    return change.inserted ? format("a%lu %lu\n", ul(change.line0 + change.deleted), ul(change.inserted))
                           : std::string();
}

std::string make_edit_script(const Lines& second, const std::vector<Change>& changes)
{
    std::string out;
    for (const Change& c : changes) {
        out += delete_command(c);
        if (c.inserted) {
            out += add_command(c);
            out += second.range(c.line1, c.inserted);
        }
    }
    return out;
}

std::string edit_script_between(const std::string& first, const std::string& second)
{
    Lines a(first), b(second);
    return make_edit_script(b, compare_lines(a, b, 0));
}

namespace {

// Reads edit-script commands from a piece of text.
class ScriptReader {
public:
    explicit ScriptReader(std::string_view text) : text_(text) {}

    void skip_separators()
    {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' ||
                                       text_[pos_] == '\r'))
            ++pos_;
    }
    void skip_blanks()
    {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t'))
            ++pos_;
    }
    bool at_end() const { return pos_ >= text_.size(); }
    char next() { return text_[pos_++]; }

    // A decimal number; false when there is none or it is absurdly large.
    bool number(std::uint64_t& value)
    {
        std::size_t start = pos_;
        value = 0;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            if (pos_ - start >= 15)
                return false;
            value = value * 10 + static_cast<std::uint64_t>(text_[pos_] - '0');
            ++pos_;
        }
        return pos_ > start;
    }

    // Ends the command line: blanks, then a newline or the end of the text.
    bool end_of_command()
    {
        skip_blanks();
        if (pos_ < text_.size() && text_[pos_] == '\r')
            ++pos_;
        if (pos_ >= text_.size())
            return true;
        if (text_[pos_] != '\n')
            return false;
        ++pos_;
        return true;
    }

    // count whole lines; the last one may end at the end of the text.
    bool lines(std::uint64_t count, std::string& out)
    {
        for (std::uint64_t i = 0; i < count; ++i) {
            if (pos_ >= text_.size())
                return false;
            std::size_t nl = text_.find('\n', pos_);
            std::size_t end = nl == std::string_view::npos ? text_.size() : nl + 1;
            out.append(text_.substr(pos_, end - pos_));
            pos_ = end;
        }
        return true;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

/* apply_edit_script: copies input to output, deleting and inserting lines as
 * the commands say. Commands must come in increasing line order and stay
 * inside the input; the lines not named are copied unchanged. */
bool apply_edit_script(std::string_view script, const Lines& input, std::string& output, std::string& error)
{
    output.clear();
    output.reserve(input.text().size() + script.size());
    ScriptReader in(script);
    std::uint64_t done = 0;  // input lines copied or deleted so far
    const std::uint64_t size = input.size();
    for (;;) {
        in.skip_separators();
        if (in.at_end())
            break;
        char command = in.next();
        if (command != 'd' && command != 'a') {
            error = format("Unknown command in edit script: %c", command);
            return false;
        }
        std::uint64_t line = 0, count = 0;
        in.skip_blanks();
        if (!in.number(line)) {
            error = "Missing line number in edit script";
            return false;
        }
        in.skip_blanks();
        if (!in.number(count)) {
            error = "Missing line number in edit script";
            return false;
        }
        if (!in.end_of_command()) {
            error = "Missing line number in edit script";
            return false;
        }
        if (command == 'd') {
            if (line == 0 || line - 1 < done) {
                error = "Edit script out of order at line " + std::to_string(line);
                return false;
            }
            if (line - 1 + count > size) {
                error = "EOF during edit";
                return false;
            }
            output.append(input.range(done, line - 1 - done));
            done = line - 1 + count;
        } else {
            if (line < done) {
                error = "Edit script out of order at line " + std::to_string(line);
                return false;
            }
            if (line > size) {
                error = "EOF during edit";
                return false;
            }
            output.append(input.range(done, line - done));
            done = line;
            if (!in.lines(count, output)) {
                error = "EOF during edit";
                return false;
            }
        }
    }
    output.append(input.range(done, size - done));
    return true;
}

}  // namespace vyn::versions
