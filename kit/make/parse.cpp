// The makefile parser: logical lines first, then one decision per line
// (command, include, macro definition, rule), in the order GNU-style makes do.
#include <algorithm>

#include "common/strings.h"
#include "kit/make/expand.h"
#include "kit/make/makefile.h"

namespace vyn::make {

namespace {

std::size_t find_outside_references(const std::string& line, char wanted);

bool ends_in_continuation(std::string_view line)
{
    std::size_t n = 0;
    while (n < line.size() && line[line.size() - 1 - n] == '\\')
        ++n;
    return n % 2 == 1;
}

// Removes a comment ("#" not preceded by a backslash); "\#" becomes "#".
std::string strip_comment(const std::string& line)
{
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '#') {
            out += '#';
            ++i;
        } else if (line[i] == '#') {
            break;
        } else {
            out += line[i];
        }
    }
    return out;
}

bool is_special_target(const std::string& t)
{
    return !t.empty() && t[0] == '.' && t.find_first_of("/\\") == std::string::npos;
}

// ".c.obj" (two suffixes, nothing else) names a suffix rule.
bool is_suffix_rule(const std::string& t)
{
    if (t.size() < 4 || t[0] != '.' || t.find_first_of("/\\%") != std::string::npos)
        return false;
    std::size_t second = t.find('.', 1);
    return second != std::string::npos && second > 1 && second + 1 < t.size() && t.find('.', second + 1) == std::string::npos;
}

class Parser {
public:
    Parser(const ParseContext& context, Makefile& makefile) : context_(context), makefile_(makefile)
    {
        scope_.makefile = &makefile_;
        scope_.overrides = &context_.overrides;
        scope_.environment = &context_.environment;
    }

    std::optional<ParseError> parse(const std::string& text, const std::string& name, int depth)
    {
        if (depth > context_.include_depth_limit)
            return ParseError{name, 0, "includes nested too deeply"};
        for (const LogicalLine& l : logical_lines(text)) {
            line_ = l.line;
            file_ = name;
            if (auto e = parse_line(l.text, depth))
                return e;
        }
        current_.clear();
        return std::nullopt;
    }

private:
    ParseError error(std::string message) const { return ParseError{file_, line_, std::move(message)}; }

    std::optional<std::string> expanded(const std::string& text, std::optional<ParseError>& e)
    {
        ExpandResult r = expand(text, scope_);
        if (!r.error.empty()) {
            e = error(r.error);
            return std::nullopt;
        }
        return r.text;
    }

    std::optional<ParseError> parse_line(const std::string& raw, int depth)
    {
        if (!raw.empty() && raw[0] == '\t') {
            if (!current_.empty()) {
                add_command(raw.substr(1));
                return std::nullopt;
            }
            if (trim(strip_comment(raw)).empty())
                return std::nullopt;
            return error("recipe commences before first target");
        }
        std::string line(trim(strip_comment(raw)));
        if (line.empty())
            return std::nullopt;
        if (auto include = include_names(line))
            return read_includes(*include, line[0] == '-' || line[0] == 's', depth);
        std::size_t colon = find_rule_colon(line);
        std::size_t equals = find_outside_references(line, '=');
        if (equals != std::string::npos && (colon == std::string::npos || equals <= colon + 1))
            return define(line, equals);
        if (colon != std::string::npos)
            return rule(line, colon);
        return error("missing separator");
    }

    // The text after "include", "-include" or "sinclude", when line is one.
    static std::optional<std::string> include_names(const std::string& line)
    {
        for (const char* word : {"include", "-include", "sinclude"}) {
            std::size_t n = std::char_traits<char>::length(word);
            if (line.size() > n && line.compare(0, n, word) == 0 && is_blank(line[n]))
                return line.substr(n + 1);
        }
        return std::nullopt;
    }

    std::optional<ParseError> read_includes(const std::string& names, bool optional, int depth)
    {
        current_.clear();
        std::optional<ParseError> e;
        auto text = expanded(names, e);
        if (!text)
            return e;
        for (const std::string& name : split_words(*text)) {
            std::optional<std::string> contents;
            if (context_.read_include)
                contents = context_.read_include(name, context_.include_context);
            if (!contents) {
                if (optional)
                    continue;
                return error(name + ": No such file or directory");
            }
            int saved_line = line_;
            std::string saved_file = file_;
            Parser inner(context_, makefile_);
            if (auto ie = inner.parse(*contents, name, depth + 1))
                return ie;
            line_ = saved_line;
            file_ = saved_file;
        }
        return std::nullopt;
    }

    std::optional<ParseError> define(const std::string& line, std::size_t equals)
    {
        current_.clear();
        char op = equals > 0 ? line[equals - 1] : '=';
        std::size_t name_end = (op == ':' || op == '+' || op == '?') ? equals - 1 : equals;
        std::string name(trim(std::string_view(line).substr(0, name_end)));
        if (name.rfind("export ", 0) == 0 || name.rfind("override ", 0) == 0)
            name = std::string(trim(std::string_view(name).substr(name.find(' ') + 1)));
        if (name.empty() || name.find_first_of(" \t") != std::string::npos)
            return error("invalid macro name");
        std::string value(trim(std::string_view(line).substr(equals + 1)));
        if (context_.overrides.count(name))
            return std::nullopt;
        auto it = makefile_.macros.find(name);
        if (op == '?' && (it != makefile_.macros.end() || context_.environment.count(name)))
            return std::nullopt;
        if (op == ':') {
            std::optional<ParseError> e;
            auto text = expanded(value, e);
            if (!text)
                return e;
            makefile_.macros[name] = Macro{*text, true};
        } else if (op == '+' && it != makefile_.macros.end()) {
            if (it->second.simple) {
                std::optional<ParseError> e;
                auto text = expanded(value, e);
                if (!text)
                    return e;
                value = *text;
            }
            it->second.value += it->second.value.empty() ? value : " " + value;
        } else {
            makefile_.macros[name] = Macro{value, false};
        }
        return std::nullopt;
    }

    std::optional<ParseError> rule(const std::string& line, std::size_t colon)
    {
        current_.clear();
        std::optional<ParseError> e;
        auto target_text = expanded(line.substr(0, colon), e);
        if (!target_text)
            return e;
        std::string rest = line.substr(colon + 1);
        if (!rest.empty() && rest[0] == ':')
            rest.erase(0, 1);
        std::optional<std::string> inline_command;
        std::size_t semicolon = rest.find(';');
        if (semicolon != std::string::npos) {
            inline_command = std::string(trim(std::string_view(rest).substr(semicolon + 1)));
            rest.erase(semicolon);
        }
        auto prerequisite_text = expanded(rest, e);
        if (!prerequisite_text)
            return e;
        std::vector<std::string> targets = split_words(*target_text);
        std::vector<std::string> prerequisites = split_words(*prerequisite_text);
        if (targets.empty())
            return error("missing target");
        for (const std::string& t : targets)
            add_target(t, prerequisites);
        if (inline_command && !inline_command->empty())
            add_command(*inline_command);
        return std::nullopt;
    }

    void add_target(const std::string& target, const std::vector<std::string>& prerequisites)
    {
        if (target == ".PHONY") {
            makefile_.phony.insert(makefile_.phony.end(), prerequisites.begin(), prerequisites.end());
            return;
        }
        if (target.find('%') != std::string::npos || (is_suffix_rule(target) && prerequisites.empty())) {
            add_inference(target, prerequisites);
            return;
        }
        if (is_special_target(target))
            return;  // .SUFFIXES, .PRECIOUS and the like change nothing here
        Rule& r = makefile_.rules[target];
        if (r.line == 0)
            r.line = line_;
        for (const std::string& p : prerequisites)
            if (std::find(r.prerequisites.begin(), r.prerequisites.end(), p) == r.prerequisites.end())
                r.prerequisites.push_back(p);
        if (makefile_.default_target.empty())
            makefile_.default_target = target;
        current_.push_back({target, false, false});
    }

    void add_inference(const std::string& target, const std::vector<std::string>& prerequisites)
    {
        InferenceRule r;
        if (target.find('%') == std::string::npos) {
            std::size_t second = target.find('.', 1);
            r.target_pattern = "%" + target.substr(second);
            r.prerequisite_pattern = "%" + target.substr(0, second);
        } else {
            r.target_pattern = target;
            for (const std::string& p : prerequisites) {
                if (r.prerequisite_pattern.empty() && p.find('%') != std::string::npos)
                    r.prerequisite_pattern = p;
                else
                    r.extra_prerequisites.push_back(p);
            }
        }
        // A later rule for the same patterns replaces the earlier one.
        auto same = [&](const InferenceRule& o) {
            return o.target_pattern == r.target_pattern && o.prerequisite_pattern == r.prerequisite_pattern;
        };
        makefile_.inference.erase(std::remove_if(makefile_.inference.begin(), makefile_.inference.end(), same),
                                  makefile_.inference.end());
        makefile_.inference.push_back(r);
        current_.push_back({target, true, false, makefile_.inference.size() - 1});
    }

    // A command joins every target of the rule line above it; the first
    // command of a new rule line replaces commands an earlier one gave.
    void add_command(const std::string& text)
    {
        for (Current& c : current_) {
            std::vector<Command>& commands =
                c.inference ? makefile_.inference[c.index].commands : makefile_.rules[c.target].commands;
            if (!c.started)
                commands.clear();
            c.started = true;
            commands.push_back({text, line_});
        }
    }

    struct Current {
        std::string target;
        bool inference = false;
        bool started = false;
        std::size_t index = 0;
    };

    const ParseContext& context_;
    Makefile& makefile_;
    Scope scope_;
    std::vector<Current> current_;
    std::string file_;
    int line_ = 0;
};

}  // namespace

std::vector<LogicalLine> logical_lines(const std::string& text)
{
    std::vector<LogicalLine> out;
    std::vector<std::string> physical = split(text, '\n');
    if (!physical.empty() && physical.back().empty())
        physical.pop_back();
    for (std::size_t i = 0; i < physical.size(); ++i) {
        std::string line = physical[i];
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        LogicalLine l{{}, static_cast<int>(i) + 1};
        bool command = !line.empty() && line[0] == '\t';
        while (ends_in_continuation(line) && i + 1 < physical.size()) {
            line.pop_back();
            std::string next = physical[++i];
            if (!next.empty() && next.back() == '\r')
                next.pop_back();
            if (command) {
                // The shell would drop the backslash-newline; the next line's
                // leading tab belongs to the makefile's layout.
                if (!next.empty() && next[0] == '\t')
                    next.erase(0, 1);
                line += next;
            } else {
                line = std::string(trim_right(line));
                std::string_view rest = trim(next);
                if (!rest.empty())
                    line += (line.empty() ? "" : " ") + std::string(rest);
            }
        }
        if (ends_in_continuation(line))
            line.pop_back();  // a continuation on the last line continues into nothing
        l.text = line;
        out.push_back(l);
    }
    return out;
}

namespace {

// Index just past the macro reference starting with "$(" or "${" at i.
std::size_t skip_reference(const std::string& line, std::size_t i)
{
    char open = line[i + 1], close = open == '(' ? ')' : '}';
    int level = 0;
    std::size_t j = i + 1;
    for (; j < line.size(); ++j) {
        if (line[j] == open)
            ++level;
        else if (line[j] == close && --level == 0)
            break;
    }
    return j;
}

bool starts_reference(const std::string& line, std::size_t i)
{
    return line[i] == '$' && i + 1 < line.size() && (line[i + 1] == '(' || line[i + 1] == '{');
}

std::size_t find_outside_references(const std::string& line, char wanted)
{
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (starts_reference(line, i))
            i = skip_reference(line, i);
        else if (line[i] == wanted)
            return i;
    }
    return std::string::npos;
}

}  // namespace

std::size_t find_rule_colon(const std::string& line)
{
    for (std::size_t i = 0; i < line.size(); ++i) {
        // A colon inside a macro reference ("$(X:.c=.o)") is not the rule's.
        if (starts_reference(line, i)) {
            i = skip_reference(line, i);
            continue;
        }
        if (line[i] != ':')
            continue;
        bool lone_letter = i >= 1 && std::isalpha(static_cast<unsigned char>(line[i - 1])) &&
                           (i == 1 || is_blank(line[i - 2]));
        bool separator_follows = i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '/');
        if (lone_letter && separator_follows)
            continue;
        return i;
    }
    return std::string::npos;
}

std::vector<std::string> split_words(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (is_blank(c) || c == '\n' || c == '\r') {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

std::optional<ParseError> parse_makefile(const std::string& text, const std::string& name, const ParseContext& context,
                                         Makefile& makefile)
{
    Parser parser(context, makefile);
    return parser.parse(text, name, 0);
}

}  // namespace vyn::make
