#include "kit/vrc/vrc_options.h"

#include <regex>

#include "common/winpath.h"

namespace vyn::vrc {

namespace {

// "-X" or, on Windows, "/X" (a leading '/' is a path on other hosts).
bool is_option(const std::string& a)
{
#ifdef _WIN32
    return a.size() > 1 && (a[0] == '-' || a[0] == '/');
#else
    return a.size() > 1 && a[0] == '-';
#endif
}

}  // namespace

std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error)
{
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!is_option(a)) {
            if (!o.input.empty()) {
                error = "only one resource script per run (" + o.input + " and " + a + ")";
                return std::nullopt;
            }
            o.input = a;
            continue;
        }
        std::string name = a.substr(1);
        // Options with a value, joined ("-Idir") or in the next argument ("-I dir").
        auto value = [&](std::size_t letters) -> std::optional<std::string> {
            if (name.size() > letters)
                return name.substr(letters);
            if (i + 1 < args.size())
                return args[++i];
            error = "option " + a + " needs a value";
            return std::nullopt;
        };
        std::optional<std::string> v;
        if (name == "v") {
            o.verbose = true;
            continue;
        }
        if (name.rfind("fo", 0) == 0 || name.rfind("Fo", 0) == 0 || name.rfind("FO", 0) == 0) {
            if (!(v = value(2)))
                return std::nullopt;
            o.output = *v;
        } else if (name[0] == 'o') {
            if (!(v = value(1)))
                return std::nullopt;
            o.output = *v;
        } else if (name[0] == 'I' || name[0] == 'i') {
            if (!(v = value(1)))
                return std::nullopt;
            o.includes.push_back(*v);
        } else if (name[0] == 'D' || name[0] == 'd') {
            if (!(v = value(1)))
                return std::nullopt;
            o.defines.push_back(*v);
        } else if (name[0] == 'U' || name[0] == 'u') {
            if (!(v = value(1)))
                return std::nullopt;
            o.undefines.push_back(*v);
        } else {
            error = "unknown option " + a;
            return std::nullopt;
        }
    }
    if (o.input.empty()) {
        error = "no resource script given";
        return std::nullopt;
    }
    if (o.output.empty())
        o.output = winpath::replace_extension(winpath::base_name(o.input), ".res");
    return o;
}

std::vector<std::string> resource_compiler_arguments(const Options& options, const std::string& kit_include)
{
    std::vector<std::string> a;
    for (const std::string& d : options.includes)
        a.insert(a.end(), {"/I", d});
    if (!kit_include.empty())
        a.insert(a.end(), {"/I", kit_include});
    for (const std::string& d : options.defines)
        a.insert(a.end(), {"/D", d});
    for (const std::string& u : options.undefines)
        a.insert(a.end(), {"/U", u});
    if (options.verbose)
        a.push_back("/V");
    a.insert(a.end(), {"/FO", options.output, "--", options.input});
    return a;
}

std::string ide_diagnostic(const std::string& line)
{
    static const std::regex located(R"(^(.+?):(\d+):\d+: (fatal error|error|warning): (.*)$)");
    std::smatch m;
    if (!std::regex_match(line, m, located))
        return line;
    std::string kind = m[3] == "warning" ? "warning" : "error";
    return m[1].str() + "(" + m[2].str() + ") : " + kind + " RC: " + m[4].str();
}

}  // namespace vyn::vrc
