// The program's entry, the command line and the order of the link phases.
#include "linker/linker.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

namespace vyn::lnk {

namespace {

// The usage help is a help-file page on Windows; there is no help viewer
// here, and nothing may be printed in its place.
void Usage() {}

bool is_option_word(const std::string& word)
{
    return !word.empty() && (word[0] == '-' || word[0] == '/');
}

struct ArgCursor {
    const std::vector<std::string>& args;
    std::size_t i = 0;
    bool has_next() const { return i + 1 < args.size(); }
    const std::string& next() { return args[++i]; }
};

bool require_argument(Linker& l, ArgCursor& c, const std::string& option)
{
    if (c.has_next())
        return true;
    err(l, "Option %s requires an argument\n", option.c_str());
    return false;
}

bool set_subsystem(Linker& l, const std::string& word)
{
    if (equals_nocase(word, "windows"))
        l.settings.subsystem = 2;
    else if (equals_nocase(word, "console"))
        l.settings.subsystem = 3;
    else if (equals_nocase(word, "os2"))
        l.settings.subsystem = 5;
    else if (word == "posix")
        l.settings.subsystem = 7;
    else {
        err(l, "invalid subsystem: %s\n", word.c_str());
        return false;
    }
    return true;
}

void set_dll_mode(Linker& l)
{
    Settings& s = l.settings;
    s.dll = true;
    s.base_relocations = true;
    s.entry_symbol = "__crtLibMain@12";
    s.image_base = 0x10000000;
}

void open_error_stream(Linker& l, const std::string& name)
{
    if (name == "stdout") {
        l.error_stream = stdout;
        return;
    }
    if (ends_with_nocase(name, ".obj")) {
        err(l, "'%s': incorrect file name %s\n", "error", name.c_str());
        return;
    }
    std::FILE* f = std::fopen(winpath::to_host(name).c_str(), "a");
    if (!f) {
        err(l, "impossible to open %s\n", name.c_str());
        return;
    }
    l.error_stream = f;
    l.error_stream_is_file = true;
}

void open_map_file(Linker& l, const std::string& name)
{
    std::string host = winpath::to_host(name);
    if (platform::file_exists(host) && ends_with_nocase(name, ".obj")) {
        err(l, "'%s': incorrect file name %s\n", "map", name.c_str());
        return;
    }
    discard_map_file(l);
    std::string directory = std::filesystem::path(host).parent_path().string();
    std::string temp = platform::temporary_file_name(directory.empty() ? "." : directory,
                                                     std::filesystem::path(host).filename().string() + ".");
    l.settings.map_file = std::fopen(temp.c_str(), "w");
    if (l.settings.map_file)
        l.settings.map_temp_path = temp;
    else
        err(l, "impossible to open %s\n", name.c_str());
    l.settings.map_name = name;
}

void set_stack_commit(Linker& l, long value)
{
    Settings& s = l.settings;
    if (value >= 4096) {
        s.stack_commit = static_cast<std::uint32_t>(value);
    } else if (value == -1) {
        s.stack_commit = s.stack_reserve;
    } else {
        err(l, "Illegal size for stack commit: %d.Ignored.\n", static_cast<int>(value));
        s.stack_commit = 4096;
    }
}

void set_version(Linker& l, const std::string& text)
{
    auto dot = text.find('.');
    l.settings.version_major = static_cast<std::uint16_t>(std::atoi(text.substr(0, dot).c_str()));
    if (dot != std::string::npos)
        l.settings.version_minor = static_cast<std::uint16_t>(std::atoi(text.c_str() + dot + 1));
}

/* One option at c.i (already rewritten to start with '-'). Returns false when
   the command line fails. */
bool parse_option(Linker& l, ArgCursor& c, const std::string& option)
{
    Settings& s = l.settings;
    std::string lower = to_lower_ascii(option);
    if (s.verbose)
        out("processing option %s\n", option.c_str());
    if (lower == "-o") {
        if (!require_argument(l, c, option))
            return false;
        s.output_name = c.next();
        s.output_name_given = true;
    } else if (lower == "-dll") {
        set_dll_mode(l);
    } else if (lower == "-entry") {
        if (!require_argument(l, c, option))
            return false;
        s.dll_init_symbol = c.next();
    } else if (lower == "-subsystem") {
        if (!require_argument(l, c, option))
            return false;
        return set_subsystem(l, c.next());
    } else if (lower == "-map") {
        if (!require_argument(l, c, option))
            return false;
        open_map_file(l, c.next());
    } else if (lower == "-reloc") {
        s.base_relocations = true;
    } else if (lower == "-s") {
        s.debug_flags = (s.debug_flags & ~2u) | 4u;
    } else if (lower == "-x") {
        s.report_unused = true;
    } else if (lower == "-v") {
        if (!s.verbose)
            out("vynlnk version 1.2\n");
        s.verbose = true;
    } else if (lower == "-errout") {
        if (!require_argument(l, c, option))
            return false;
        open_error_stream(l, c.next());
    } else if (lower == "-stack-reserve") {
        if (c.has_next())
            s.stack_reserve = static_cast<std::uint32_t>(std::atol(c.next().c_str()));
    } else if (lower == "-stack-commit") {
        if (c.has_next())
            set_stack_commit(l, std::atol(c.next().c_str()));
    } else if (lower == "-version") {
        if (c.has_next())
            set_version(l, c.next());
    } else if (lower.size() >= 2 && lower[1] == 'l') {
        if (option.size() == 2) {
            if (c.has_next())
                s.library_directory = c.next();
        } else {
            s.library_directory = option.substr(2);
        }
    } else if (lower.starts_with("-node")) {
        s.no_startup = true;
    } else {
        err(l, "unrecognized option %s\n", option.c_str());
        return false;
    }
    return true;
}

/* Names an option? A word beginning with '/' is also a host path on POSIX
   systems: it is taken as an option only when it reads as one of ours. */
bool looks_like_option(const std::string& word)
{
    if (!is_option_word(word))
        return false;
    if (word[0] == '-')
        return true;
    std::string rest = word.substr(1);
    return rest.find('/') == std::string::npos && rest.find('\\') == std::string::npos &&
           !platform::file_exists(word);
}

void mark_named_default_libraries(Linker& l, const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        std::string_view base = winpath::base_name(arg);
        for (DefaultLibrary& lib : l.default_libraries)
            if (equals_nocase(base, lib.name))
                lib.named = true;
    }
}

/* A ".res" input: converted at once into a temporary object that takes its
   place in the input list. */
bool add_resource_file(Linker& l, const std::string& name)
{
    Settings& s = l.settings;
    if (!s.resource_source.empty()) {
        err(l, "Only one resource file allowed\n");
        err(l, "resource already used: %s\n", s.resource_source.c_str());
        return false;
    }
    s.resource_source = name;
    std::string object = platform::temporary_file_name("", "vynres") + ".obj";
    if (!ReadResourceFile(l, name, object)) {
        err(l, "Impossible to read %s\n", name.c_str());
        return false;
    }
    s.resource_object = object;
    if (!s.have_input && !s.output_name_given) {
        // The output is named after the resource file, not after its
        // temporary object.
        s.output_name = winpath::replace_extension(name, s.dll ? ".dll" : ".exe");
        s.have_input = true;
    }
    AddNewFile(l, object);
    return true;
}

bool add_def_file(Linker& l, const std::string& name)
{
    Settings& s = l.settings;
    if (!s.def_file.empty()) {
        err(l, "Only one .def file allowed!\n");
        return false;
    }
    s.def_file = name;
    ProcessDefFile(l, name);
    s.base_relocations = true;
    s.exports_present = true;
    return true;
}

bool add_file_argument(Linker& l, const std::string& name)
{
    std::string ext(winpath::extension(name));
    if (!ext.empty())
        ext.erase(0, 1);
    if (equals_nocase(ext, "res"))
        return add_resource_file(l, name);
    if (equals_nocase(ext, "def"))
        return add_def_file(l, name);
    if (l.settings.verbose)
        out("adding file %s\n", name.c_str());
    AddNewFile(l, name);
    return true;
}

void add_default_libraries(Linker& l)
{
    for (DefaultLibrary& lib : l.default_libraries) {
        if (lib.named)
            continue;
        if (auto path = FindDefaultFile(l, lib.name))
            AddNewFile(l, *path, false);
    }
}

bool prescan_nodef(const std::vector<std::string>& args)
{
    for (const std::string& a : args)
        if (is_option_word(a) && a.size() >= 6 && equals_nocase(std::string_view(a).substr(1, 5), "nodef"))
            return true;
    return false;
}

/* Turns the startup object's path into the DLL startup object's: the three
   characters after the last separator become "lib" (vyncrt0 -> libcrt0). */
void switch_to_dll_startup(std::string& path)
{
    std::size_t sep = winpath::last_separator(path);
    std::size_t at = sep == std::string::npos ? 0 : sep + 1;
    if (at + 3 <= path.size())
        path.replace(at, 3, "lib");
}

}  // namespace

/* Reads the command line left to right after marking the default libraries
   it names; then appends the default libraries it did not name. */
bool ParseArgs(Linker& l, const std::vector<std::string>& given)
{
    // Each word of a response file is one argument of the command line, in
    // its place; its words are not expanded further.
    std::vector<std::string> args;
    std::vector<bool> expand;
    for (const std::string& word : given) {
        if (!word.empty() && word[0] == '@') {
            std::vector<std::string> words = ProcessAtFile(l, word.substr(1));
            args.insert(args.end(), words.begin(), words.end());
            expand.insert(expand.end(), words.size(), false);
        } else {
            args.push_back(word);
            expand.push_back(true);
        }
    }
    l.settings.subsystem = 3;
    mark_named_default_libraries(l, args);
    ArgCursor c{args};
    for (; c.i < args.size(); ++c.i) {
        const std::string& word = args[c.i];
        if (looks_like_option(word)) {
            std::string option = word;
            option[0] = '-';
            if (!parse_option(l, c, option))
                return false;
            continue;
        }
        std::vector<std::string> names = expand[c.i] ? ExpandFileName(l, word) : std::vector<std::string>{word};
        for (const std::string& n : names)
            if (!add_file_argument(l, n))
                return false;
    }
    add_default_libraries(l);
    return true;
}

/* Appends a path to the input file list unless it (or its file name) is
   there already. The first input the user named names the output by
   default; the startup object and the default libraries never do, so that
   options alone do not start a link. */
void AddNewFile(Linker& l, const std::string& path, bool named)
{
    std::string lower = to_lower_ascii(path);
    // Named twice: the same as an earlier entry, or as an earlier entry's
    // base name.
    if (l.listed_names.contains(lower)) {
        err(l, "Input file <%s> named twice. Ignored.\n", path.c_str());
        return;
    }
    l.listed_names.insert(lower);
    l.listed_names.insert(std::string(winpath::base_name(lower)));
    l.input_list.push_back({lower, winpath::to_host(path)});
    Settings& s = l.settings;
    if (named && !s.have_input && !winpath::extension(path).empty() && lower.find("vyncrt0") == std::string::npos) {
        s.have_input = true;
        if (!s.output_name_given)
            s.output_name = winpath::replace_extension(path, s.dll ? ".dll" : ".exe");
    }
}

namespace {

bool wildcard_match(std::string_view pattern, std::string_view name)
{
    // Iterative '*' / '?' matching, letters compared without regard to case.
    std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower_ascii(pattern[p]) == lower_ascii(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

}  // namespace

/* Expands wildcards in the file name part; at most 700 matches. A name
   matching nothing is passed on unchanged (it fails when opened). */
std::vector<std::string> ExpandFileName(Linker& l, const std::string& name)
{
    if (!name.empty() && name[0] == '@')
        return ProcessAtFile(l, name.substr(1));
    std::string_view base = winpath::base_name(name);
    if (base.find_first_of("*?") == std::string_view::npos)
        return {name};
    std::string prefix = name.substr(0, name.size() - base.size());
    std::string dir = prefix.empty() ? "." : winpath::to_host(prefix);
    std::vector<std::string> matches;
    if (auto entries = platform::list_directory(dir)) {
        for (const platform::DirEntry& e : *entries) {
            if (e.is_directory || !wildcard_match(base, e.name))
                continue;
            matches.push_back(prefix + e.name);
            if (matches.size() == 700)
                break;
        }
    }
    if (matches.empty())
        matches.push_back(name);
    return matches;
}

namespace {

/* The link phases in order: the command line, resolution (ProcessDirectives),
   layout, the entry point, FinalLink (contents, appended sections, debug
   information, file positions), then the files written. Every way out goes
   through xexit. */
[[noreturn]] void run_link(Linker& l, const std::vector<std::string>& args)
{
    Settings& s = l.settings;
    s.start_time = std::time(nullptr);
    if (prescan_nodef(args))
        s.no_startup = true;
    if (!s.no_startup) {
        auto startup = FindDefaultFile(l, "vyncrt0.obj");
        if (!startup) {
            err(l, "cannot open %s\n", "vyncrt0.obj");
            xexit(l, -1);
        }
        AddNewFile(l, *startup, false);
        l.startup_added = true;
    }
    if (!ParseArgs(l, args)) {
        Usage();
        xexit(l, 1);
    }
    if (!s.have_input) {
        Usage();
        xexit(l, 0);
    }
    // No file joins the list after this, so the "named twice" set keeps
    // the startup object's first name.
    if (s.dll && l.startup_added) {
        switch_to_dll_startup(l.input_list[0].name);
        switch_to_dll_startup(l.input_list[0].host_path);
    }
    l.entry_names.push_back(s.entry_symbol);
    declare_section_groups(l);
    ProcessDirectives(l);
    if (!lay_out(l))
        xexit(l, 1);
    DetermineEntryPoint(l);
    if (!FinalLink(l)) {
        err(l, "Link failed. Removing %s\n", s.output_name.c_str());
        xexit(l, 1);
    }
    if (s.report_unused)
        UsageSymbol(l);
    if (!WriteExeFile(l)) {
        err(l, "impossible to write the file %s\n", s.output_name.c_str());
        xexit(l, 1);
    } else if (s.map_file) {
        WriteMapFile(l);
    }
    if (s.dll)
        WriteImportLibrary(l);
    xexit(l, 0);
}

}  // namespace

int linker_main(int argc, char** argv)
{
    if (argc < 2) {
        Usage();
        return 1;
    }
    // The link owns everything until the process ends and frees nothing
    // before: xexit ends the process without tearing the tables down.
    Linker& l = *new Linker;
    try {
        run_link(l, std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::bad_alloc&) {
        err(l, "fatal: No more memory!\n");
        xexit(l, 1);
    }
}

}  // namespace vyn::lnk
