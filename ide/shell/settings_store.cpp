#include "ide/shell/settings_store.h"

#include <algorithm>

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"

namespace vyn::shell {

using vyn::format;
using vyn::platform::RegistryRoot;

namespace {

constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
constexpr std::size_t kMaxProjectName = 50;
constexpr std::size_t kKeywordsPerValue = 7;

bool host_file_exists(const std::string& windows_path)
{
    return vyn::platform::file_exists(vyn::winpath::to_host(windows_path));
}

}  // namespace

// ---- values ------------------------------------------------------------------

long SettingsStore::read_number(const char* name, long fallback)
{
    auto text = registry_.read_string(HKCU, kTavraKey, name);
    if (!text)
        return fallback;
    return vyn::parse_long(*text).value_or(fallback);
}

std::optional<std::string> SettingsStore::read_string(const std::string& name)
{
    auto text = registry_.read_string(HKCU, kTavraKey, name);
    if (text && text->size() > 511)
        text->resize(511);  // values are read into 512-byte buffers
    return text;
}

bool SettingsStore::report_write_failure()
{
    ui_.tell(format("Error %ld writing to the registry", registry_.last_error_code()));
    return false;
}

bool SettingsStore::write_string(const std::string& name, const std::string& value)
{
    return registry_.write_string(HKCU, kTavraKey, name, value) || report_write_failure();
}

bool SettingsStore::write_number(const std::string& name, long value)
{
    return write_string(name, format("%ld", value));
}

// ---- opening and the compiler root ---------------------------------------------

std::string candidate_compiler_root(const std::string& ide_executable, const std::string& current_dir)
{
    std::string root = vyn::winpath::last_separator(ide_executable) == std::string::npos
                           ? current_dir
                           : vyn::winpath::directory(ide_executable);
    if (vyn::ends_with_nocase(root, "\\bin") || vyn::ends_with_nocase(root, "/bin"))
        root.resize(root.size() - 4);
    if (!root.empty() && root.front() == '"')
        root.erase(0, 1);
    if (!root.empty() && root.front() == '\\' && vyn::winpath::has_drive(current_dir))
        root = format("%c:%s", current_dir[0], root.c_str());
    return root;
}

bool SettingsStore::open(const std::string& ide_executable, const std::string& current_dir)
{
    if (registry_.key_exists(HKCU, kVynKey))
        return registry_.create_key(HKCU, kTavraKey) || report_write_failure();

    std::string root = candidate_compiler_root(ide_executable, current_dir);
    if (!host_file_exists(format("%s\\include\\windows.h", root.c_str()))) {
        auto chosen = ui_.choose_directory("Enter path for the compiler root directory");
        if (!chosen)
            return false;
        root = *chosen;
        std::string header = format("%s\\include\\windows.h", root.c_str());
        if (!host_file_exists(header)) {
            ui_.tell(format("Can't find %s", header.c_str()));
            return false;
        }
    }
    return registry_.create_key(HKCU, kVynKey) && set_compiler_root(root) &&
           (registry_.create_key(HKCU, kTavraKey) || report_write_failure());
}

bool SettingsStore::set_compiler_root(const std::string& root)
{
    bool written = registry_.write_string(HKCU, kCompilerKey, "includepath", format("%s\\include", root.c_str())) &&
                   registry_.write_string(HKCU, kLinkerKey, "libpath", format("%s\\lib", root.c_str()));
    return written || report_write_failure();
}

std::string SettingsStore::compiler_root()
{
    auto include_path = registry_.read_string(HKCU, kCompilerKey, "includepath");
    if (!include_path)
        return {};
    std::size_t last = include_path->rfind('\\');
    if (last == std::string::npos) {
        ui_.tell("Incorrect value for Include path in the registry\nKey: includePath");
        return {};
    }
    return include_path->substr(0, last);
}

std::optional<std::string> check_compiler_root(const std::string& root)
{
    if (!vyn::winpath::has_drive(root))
        return format("Missing drive name in %s", root.c_str());
    std::string compiler = format("%s\\bin\\vyn.exe", root.c_str());
    if (!host_file_exists(compiler))
        return format("Can't find %s", compiler.c_str());
    std::string kernel = format("%s\\lib\\kernel32.lib", root.c_str());
    if (!host_file_exists(kernel))
        return format("Can't find %s", kernel.c_str());
    return std::nullopt;
}

std::string path_with_compiler(const std::string& path, const std::string& root)
{
    if (root.empty() || path.find(root) != std::string::npos)
        return path;
    std::string bin = vyn::to_lower_ascii(root);
    if (!vyn::ends_with_nocase(bin, "\\bin"))
        bin = format("%s\\bin", bin.c_str());
    return format("%s;%s", bin.c_str(), path.c_str());
}

// ---- reading ---------------------------------------------------------------------

Settings SettingsStore::read(const std::string& start_dir)
{
    Settings s;
    s.tab_size = valid_tab_size(read_number("Tabsize", s.tab_size));
    s.find_flags = read_number("FindFlags", s.find_flags);
    s.comment_color = read_number("CommentColor", s.comment_color);
    s.keyword_color = read_number("KeywordColor", s.keyword_color);
    s.grep = read_number("Grep", s.grep);
    s.font_height = read_number("FontHeight", s.font_height);
    s.font_style = read_number("FontStyle", s.font_style);
    s.frame_zoomed = read_number("FrameZoomed", s.frame_zoomed);
    s.status_bar = read_string("StatusBar").value_or("");
    s.sub_scroll = std::max(1L, read_number("SubScroll", s.sub_scroll));
    s.frame_x = read_number("FrameX", 0);
    s.frame_y = read_number("FrameY", 0);
    s.frame_cx = read_number("FrameCX", 0);
    s.frame_cy = read_number("FrameCY", 0);
    s.editor_flags = read_number("EditorFlags", s.editor_flags);
    if (read_number("BackupFile", 0) == 1) {
        // The older form of the backup option: taken over, then retired.
        s.editor_flags |= editor_flag::backups;
        write_number("BackupFile", 0);
    }
    s.font_family = read_number("FontFamily", s.font_family);
    s.text_color = read_number("TextColor", s.text_color);
    s.background_color = read_number("BackgroundColor", s.background_color);
    s.printer_font_name = read_string("PrinterFontName").value_or(s.printer_font_name);
    s.printer_font_size = read_number("PrinterFontSize", s.printer_font_size);
    s.debugger_arguments = read_string("DebuggerArguments").value_or("");
    s.debugger_dir = read_string("DebuggerDir").value_or("");
    s.debugger_exe_name = read_string("DebuggerExeName").value_or("");
    s.debugger_flags = read_number("DebuggerFlags", s.debugger_flags);
    read_utilities(s);
    read_languages(s);
    read_macros(s);
    read_accelerators(s);
    s.print = read_number("Print", s.print);
    s.include_flags = read_number("IncludeFlags", s.include_flags);
    s.current_dir = read_string("CurrentDir").value_or(start_dir);
    s.win_help_database = read_string("WinHelpDataBase").value_or("");
    s.font_name = read_string("FontName").value_or("");
    if (s.font_name.empty())
        s.font_name = "Courier";
    s.indent_options = read_number("IndentOptions", s.indent_options);
    s.indent_constants = read_number("IndentConstants", s.indent_constants);
    s.current_file = read_string("CurrentFile").value_or("");
    if (vyn::equals_nocase(s.current_file, "untitled"))
        s.current_file.clear();
    read_projects(s);
    if (s.current_project.empty())
        read_open_files(s);
    return s;
}

void SettingsStore::read_utilities(Settings& s)
{
    long count = read_number("NumberOfUtilities", 0);
    for (long n = 1; n <= count; ++n) {
        Utility u;
        u.nickname = read_string(format("Util%ldNickname", n)).value_or("");
        u.progname = read_string(format("Util%ldProgname", n)).value_or("");
        u.progargs = read_string(format("Util%ldProgArgs", n)).value_or("");
        u.start_dir = read_string(format("Util%ldStartDir", n)).value_or("");
        u.id = read_string(format("Util%ldID", n)).value_or("");
        s.utilities.push_back(std::move(u));
    }
}

void SettingsStore::read_languages(Settings& s)
{
    long count = read_number("Languages", 0);
    for (long n = 1; n <= count; ++n) {
        LanguageDefinition l;
        l.name = read_string(format("Language%ld", n)).value_or("");
        l.extension = read_string(format("Language%ldExtension", n)).value_or("");
        l.start_function = read_string(format("Language%ldStartFunction", n)).value_or("");
        l.end_function = read_string(format("Language%ldEndFunction", n)).value_or("");
        l.comment_char = read_string(format("Language%ldCommentChar", n)).value_or("");
        l.string_chars = read_string(format("Language%ldStringChars", n)).value_or("");
        l.icon = read_string(format("Language%ldIcon", n));
        l.flags = read_number(format("Language%ldFlags", n).c_str(), 1);
        if (auto code = read_string(format("Language%ldCode", n)))
            l.code = vyn::parse_long(*code);
        long keyword_count = read_number(format("Language%ldKeywordCount", n).c_str(), 0);
        for (long value = 1; long(l.keywords.size()) < keyword_count; ++value) {
            auto words = read_string(format("Language%ldKeywords%ld", n, value));
            if (!words)
                break;
            for (const std::string& word : vyn::split(*words, ' '))
                if (!word.empty() && long(l.keywords.size()) < keyword_count)
                    l.keywords.push_back(word);
        }
        s.languages.push_back(std::move(l));
    }
}

void SettingsStore::read_macros(Settings& s)
{
    long count = read_number("Macros", 0);
    for (long n = 1; n <= count; ++n) {
        long length = read_number(format("Macro%ldLength", n).c_str(), 0);
        if (length <= 0)
            break;
        KeyboardMacro m;
        std::string code = read_string(format("Macro%ldCode", n)).value_or("");
        m.code = code.empty() ? 0 : code[0];
        m.position = read_number(format("Macro%ldPosition", n).c_str(), 0);
        std::vector<std::string> lines;
        std::size_t digits = 0;
        for (long line = 0; digits < std::size_t(length) * 3; ++line) {
            auto value = read_string(format("Macro%ldTextLine%ld", n, line));
            if (!value || value->empty())
                break;
            digits += value->size();
            lines.push_back(*value);
        }
        auto text = decode_macro_text(lines);
        if (!text)
            break;  // a damaged macro ends the list, as a zero length does
        m.text = text->substr(0, std::size_t(length));
        s.macros.push_back(std::move(m));
    }
}

void SettingsStore::read_accelerators(Settings& s)
{
    long count = read_number("Accelerators", 0);
    for (long n = 1; n <= count; ++n)
        if (auto value = read_string(format("Accel%ld", n)))
            if (auto key = parse_accelerator(*value))
                s.accelerators.push_back(*key);
}

void SettingsStore::read_projects(Settings& s)
{
    for (const std::string& name : registry_.subkeys(HKCU, kTavraKey))
        if (name.size() <= kMaxProjectName)
            s.projects.push_back(name);
    std::sort(s.projects.begin(), s.projects.end());
    s.current_project = read_string("CurrentProject").value_or("");
    if (s.current_project.empty())
        s.current_project = read_string("CMSProjectPath").value_or("");
}

void SettingsStore::read_open_files(Settings& s)
{
    long count = read_number("OpenFiles", 0);
    for (long n = 1; n <= count; ++n)
        if (auto value = read_string(format("OpenFile%ld", n)))
            if (auto entry = parse_open_file(*value))
                s.open_files.push_back(*entry);
}

// ---- writing -----------------------------------------------------------------------

bool SettingsStore::write(const Settings& s, bool project_open)
{
    // Writing would create the vyn key, whose absence is what offers the
    // first-run set-up: until the set-up completes, nothing is written.
    if (!registry_.key_exists(HKCU, kVynKey))
        return false;
    bool ok = write_string("StatusBar", s.status_bar) && write_number("Tabsize", s.tab_size) &&
              write_number("FindFlags", s.find_flags) && write_number("CommentColor", s.comment_color) &&
              write_number("KeywordColor", s.keyword_color) && write_number("EditorFlags", s.editor_flags) &&
              write_number("Grep", s.grep) && write_number("FontHeight", s.font_height) &&
              write_number("FontStyle", s.font_style) && write_number("Print", s.print) &&
              write_number("FrameZoomed", s.frame_zoomed) && write_number("FontFamily", s.font_family) &&
              write_number("TextColor", s.text_color) && write_number("BackgroundColor", s.background_color) &&
              write_string("PrinterFontName", s.printer_font_name) &&
              write_number("PrinterFontSize", s.printer_font_size) && write_number("SubScroll", s.sub_scroll) &&
              write_utilities(s) && write_languages(s) && write_macros(s) && write_accelerators(s) &&
              write_projects(s) && write_number("IncludeFlags", s.include_flags) &&
              write_string("WinHelpDataBase", s.win_help_database) && write_string("CurrentDir", s.current_dir) &&
              write_string("FontName", s.font_name) && write_number("IndentOptions", s.indent_options) &&
              write_string("DebuggerArguments", s.debugger_arguments) &&
              write_string("DebuggerDir", s.debugger_dir) && write_string("DebuggerExeName", s.debugger_exe_name) &&
              write_number("DebuggerFlags", s.debugger_flags) &&
              write_number("IndentConstants", s.indent_constants) &&
              write_string("CurrentFile", s.current_file);
    ok = ok && write_number("FrameX", s.frame_x) && write_number("FrameY", s.frame_y) &&
         write_number("FrameCX", s.frame_cx) && write_number("FrameCY", s.frame_cy);
    if (ok && !project_open)
        ok = write_open_files(s);
    return ok;
}

bool SettingsStore::write_utilities(const Settings& s)
{
    bool ok = write_number("NumberOfUtilities", long(s.utilities.size()));
    for (std::size_t i = 0; ok && i < s.utilities.size(); ++i) {
        const Utility& u = s.utilities[i];
        long n = long(i) + 1;
        ok = write_string(format("Util%ldNickname", n), u.nickname) &&
             write_string(format("Util%ldProgname", n), u.progname) &&
             write_string(format("Util%ldProgArgs", n), u.progargs) &&
             write_string(format("Util%ldStartDir", n), u.start_dir) &&
             write_string(format("Util%ldID", n), u.id);
    }
    return ok;
}

bool SettingsStore::write_languages(const Settings& s)
{
    bool ok = write_number("Languages", long(s.languages.size()));
    for (std::size_t i = 0; ok && i < s.languages.size(); ++i) {
        const LanguageDefinition& l = s.languages[i];
        long n = long(i) + 1;
        ok = write_string(format("Language%ld", n), l.name) &&
             write_string(format("Language%ldExtension", n), l.extension) &&
             write_string(format("Language%ldStartFunction", n), l.start_function) &&
             write_string(format("Language%ldEndFunction", n), l.end_function) &&
             write_string(format("Language%ldCommentChar", n), l.comment_char) &&
             write_string(format("Language%ldStringChars", n), l.string_chars) &&
             (!l.icon || write_string(format("Language%ldIcon", n), *l.icon)) &&
             write_number(format("Language%ldFlags", n), l.flags) &&
             (!l.code || write_number(format("Language%ldCode", n), *l.code)) &&
             write_number(format("Language%ldKeywordCount", n), long(l.keywords.size()));
        for (std::size_t k = 0; ok && k < l.keywords.size(); k += kKeywordsPerValue) {
            std::vector<std::string> seven(l.keywords.begin() + std::ptrdiff_t(k),
                                           l.keywords.begin() + std::ptrdiff_t(std::min(k + kKeywordsPerValue, l.keywords.size())));
            ok = write_string(format("Language%ldKeywords%ld", n, long(k / kKeywordsPerValue) + 1), vyn::join(seven, " "));
        }
    }
    return ok;
}

bool SettingsStore::write_macros(const Settings& s)
{
    bool ok = write_number("Macros", long(s.macros.size()));
    for (std::size_t i = 0; ok && i < s.macros.size(); ++i) {
        const KeyboardMacro& m = s.macros[i];
        long n = long(i) + 1;
        ok = write_string(format("Macro%ldCode", n), std::string(1, m.code)) &&
             write_number(format("Macro%ldPosition", n), m.position) &&
             write_number(format("Macro%ldLength", n), long(m.text.size()));
        std::vector<std::string> lines = encode_macro_text(m.text);
        for (std::size_t line = 0; ok && line < lines.size(); ++line)
            ok = write_string(format("Macro%ldTextLine%zu", n, line), lines[line]);
    }
    return ok;
}

bool SettingsStore::write_accelerators(const Settings& s)
{
    bool ok = write_number("Accelerators", long(s.accelerators.size()));
    for (std::size_t i = 0; ok && i < s.accelerators.size(); ++i)
        ok = write_string(format("Accel%zu", i + 1), format_accelerator(s.accelerators[i]));
    return ok;
}

bool SettingsStore::write_projects(const Settings& s)
{
    bool ok = write_number("Projects", long(s.projects.size()));
    for (std::size_t i = 0; ok && i < s.projects.size(); ++i)
        ok = write_string(format("Project%zu", i + 1), s.projects[i]);
    return ok && write_string("CurrentProject", s.current_project);
}

bool SettingsStore::write_open_files(const Settings& s)
{
    bool ok = write_number("OpenFiles", long(s.open_files.size()));
    for (std::size_t i = 0; ok && i < s.open_files.size(); ++i)
        ok = write_string(format("OpenFile%zu", i + 1), format_open_file(s.open_files[i]));
    return ok;
}

}  // namespace vyn::shell
