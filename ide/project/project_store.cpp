#include "ide/project/project_store.h"

#include <algorithm>

#include "common/strings.h"

namespace vyn::project {

using vyn::format;
using vyn::platform::Registry;
using vyn::platform::RegistryRoot;

namespace {

constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
// Values are read with a buffer of this many bytes, terminator included.
constexpr std::size_t kValueBuffer = 512;

// Writes values in order into one key and stops at the first failure.
class KeyWriter {
public:
    KeyWriter(Registry& registry, std::string key) : registry_(registry), key_(std::move(key)) {}
    KeyWriter& text(const std::string& name, const std::string& value)
    {
        if (ok_)
            ok_ = registry_.write_string(HKCU, key_, name, value);
        return *this;
    }
    KeyWriter& number(const std::string& name, long value) { return text(name, format("%ld", value)); }
    bool ok() const { return ok_; }

private:
    Registry& registry_;
    std::string key_;
    bool ok_ = true;
};

class KeyReader {
public:
    KeyReader(Registry& registry, std::string key) : registry_(registry), key_(std::move(key)) {}
    std::string text(const std::string& name, const std::string& fallback = "")
    {
        auto value = registry_.read_string(HKCU, key_, name);
        if (!value)
            return fallback;
        if (value->size() >= kValueBuffer)
            value->resize(kValueBuffer - 1);
        return *value;
    }
    long number(const std::string& name, long fallback)
    {
        auto value = registry_.read_string(HKCU, key_, name);
        if (!value)
            return fallback;
        return vyn::parse_long(*value).value_or(fallback);
    }
    bool has(const std::string& name) { return registry_.read_string(HKCU, key_, name).has_value(); }

private:
    Registry& registry_;
    std::string key_;
};

std::string open_file_text(const OpenFile& f)
{
    long n[5] = {0, 0, 0, 0, 0};
    for (std::size_t i = 0; i < f.numbers.size() && i < 5; ++i)
        n[i] = f.numbers[i];
    return format("%s %ld %ld %ld %ld %ld", f.path.c_str(), n[0], n[1], n[2], n[3], n[4]);
}

OpenFile parse_open_file(const std::string& text)
{
    OpenFile f;
    std::size_t blank = text.find(' ');
    f.path = text.substr(0, blank);
    if (blank == std::string::npos)
        return f;
    for (const std::string& word : vyn::split(text.substr(blank + 1), ' ')) {
        if (f.numbers.size() == 5)
            break;
        if (auto n = vyn::parse_long(word))
            f.numbers.push_back(*n);
    }
    return f;
}

bool write_record(KeyWriter& w, const Project& p)
{
    w.text("Frame", p.frame).text("StatusBar", p.status_bar).text("Name", p.name);
    w.text("CurrentFile", p.current_file).number("OpenFiles", long(p.open_files.size()));
    for (std::size_t i = 0; i < p.open_files.size(); ++i)
        w.text(format("OpenFile%zu", i + 1), open_file_text(p.open_files[i]));
    w.text("ProjectPath", p.project_path).text("SourcesDir", p.sources_dir).text("Defines", p.defines);
    w.text("Includes", p.includes).text("Libraries", p.libraries).text("LinkerArgs", p.linker_args);
    if (p.has_make_settings) {
        w.text("MakeName", p.make.name).text("MakeArgs", p.make.args).text("MakeDir", p.make.dir);
        w.text("Exe", p.exe).text("DebuggerArguments", p.debugger_arguments).text("DbgExeName", p.debuggee);
        w.text("DbgDir", p.debugger_dir.empty() ? p.make.dir : p.debugger_dir);
    }
    w.number("CompilerFlags", long(p.compiler_flags)).number("NumberOfBreakpoints", long(p.breakpoints.size()));
    for (std::size_t i = 0; i < p.breakpoints.size(); ++i)
        w.text(format("BreakPoint%zu", i + 1), format("%s@%ld", p.breakpoints[i].file.c_str(), p.breakpoints[i].line));
    w.text("ErrorFile", p.error_file).number("NrOfFileProcessors", long(p.file_processors.size()));
    for (std::size_t i = 0; i < p.file_processors.size(); ++i) {
        const FileProcessor& fp = p.file_processors[i];
        w.text(format("FileProcessor%zu", i + 1),
               format("%s#%s#%s", fp.input.c_str(), fp.command.c_str(), fp.output.c_str()));
    }
    return w.ok();
}

// The second writer: file list, dependencies and version-control values.
bool write_files_and_versions(KeyWriter& w, const Project& p)
{
    w.number("PrjFiles", long(p.files.size()));
    for (std::size_t i = 0; i < p.files.size(); ++i)
        w.text(format("File%zu", i + 1), p.files[i]);
    for (std::size_t i = 0; i < p.files.size() && i < p.dependencies.size(); ++i) {
        const auto& deps = p.dependencies[i];
        if (deps.empty())
            continue;
        w.number(format("File%zuDependencies", i + 1), long(deps.size()));
        for (std::size_t j = 0; j < deps.size(); ++j)
            w.text(format("File%zuDependencies%zu", i + 1, j + 1), deps[j]);
    }
    w.number("UserCount", long(p.users.size()));
    for (std::size_t i = 0; i < p.users.size(); ++i)
        w.text(format("User%zu", i + 1), p.users[i]);
    w.text("CmsDirectory", p.cms_directory);
    w.number("PutOptions", p.put_options).number("GetOptions", p.get_options).number("FileOptions", p.file_options);
    w.number("LockOptions", p.lock_options).number("UsersOptions", p.users_options);
    w.number("ProjectFlags", long(p.project_flags));
    return w.ok();
}

void read_record(KeyReader& r, Project& p)
{
    p.frame = r.text("Frame");
    p.status_bar = r.text("StatusBar");
    p.current_file = r.text("CurrentFile");
    long open = r.number("OpenFiles", 0);
    for (long i = 1; i <= open; ++i)
        if (r.has(format("OpenFile%ld", i)))
            p.open_files.push_back(parse_open_file(r.text(format("OpenFile%ld", i))));
    p.project_path = r.text("ProjectPath");
    p.sources_dir = r.text("SourcesDir");
    p.defines = r.text("Defines");
    p.includes = r.text("Includes");
    p.libraries = r.text("Libraries");
    p.linker_args = r.text("LinkerArgs");
    p.has_make_settings = r.has("MakeName") || r.has("MakeDir");
    if (p.has_make_settings) {
        p.make.name = r.text("MakeName", "make.exe");
        p.make.args = r.text("MakeArgs");
        p.make.dir = r.text("MakeDir");
    }
    p.exe = r.text("Exe");
    p.debugger_arguments = r.text("DebuggerArguments");
    p.debuggee = r.text("DbgExeName");
    p.debugger_dir = r.text("DbgDir");
    p.compiler_flags = std::uint32_t(r.number("CompilerFlags", long(flag::kDebugInfo)));
    long breakpoints = r.number("NumberOfBreakpoints", 0);
    for (long i = 1; i <= breakpoints; ++i) {
        std::string text = r.text(format("BreakPoint%ld", i));
        std::size_t at = text.rfind('@');
        if (at == std::string::npos)
            continue;
        p.breakpoints.push_back({text.substr(0, at), vyn::parse_long(text.substr(at + 1)).value_or(0)});
    }
    p.error_file = r.text("ErrorFile");
    long processors = r.number("NrOfFileProcessors", 0);
    for (long i = 1; i <= processors; ++i) {
        std::vector<std::string> parts = vyn::split(r.text(format("FileProcessor%ld", i)), '#');
        if (parts.size() == 3)
            p.file_processors.push_back({parts[0], parts[1], parts[2]});
    }
}

void read_files_and_versions(KeyReader& r, Project& p)
{
    long files = r.number("PrjFiles", 0);
    for (long i = 1; i <= files; ++i) {
        if (!r.has(format("File%ld", i)))
            continue;
        p.files.push_back(r.text(format("File%ld", i)));
        std::vector<std::string> deps;
        long count = r.number(format("File%ldDependencies", i), 0);
        for (long j = 1; j <= count; ++j)
            deps.push_back(r.text(format("File%ldDependencies%ld", i, j)));
        p.dependencies.push_back(std::move(deps));
    }
    long users = r.number("UserCount", 0);
    for (long i = 1; i <= users; ++i)
        p.users.push_back(r.text(format("User%ld", i)));
    p.cms_directory = r.text("CmsDirectory");
    p.put_options = r.number("PutOptions", 0);
    p.get_options = r.number("GetOptions", 0);
    p.file_options = r.number("FileOptions", 0);
    p.lock_options = r.number("LockOptions", 0);
    p.users_options = r.number("UsersOptions", 0);
    p.project_flags = std::uint32_t(r.number("ProjectFlags", 0));
}

}  // namespace

std::string project_key(const std::string& name) { return std::string(kProjectsKey) + "\\" + name; }

bool save_project(Registry& registry, const Project& project)
{
    KeyWriter writer(registry, project_key(project.name));
    return write_record(writer, project) && write_files_and_versions(writer, project);
}

bool load_project(Registry& registry, const std::string& name, Project& project)
{
    project = Project{};
    if (!registry.key_exists(HKCU, project_key(name)))
        return false;
    project.name = name;
    KeyReader reader(registry, project_key(name));
    read_record(reader, project);
    read_files_and_versions(reader, project);
    return true;
}

std::vector<std::string> read_project_list(Registry& registry)
{
    std::vector<std::string> list;
    for (const std::string& name : registry.subkeys(HKCU, kProjectsKey))
        if (name.size() <= kMaxProjectName)
            add_to_project_list(list, name);
    return list;
}

bool add_to_project_list(std::vector<std::string>& list, const std::string& name)
{
    if (std::find(list.begin(), list.end(), name) != list.end())
        return false;
    list.push_back(name);
    return true;
}

bool remove_from_project_list(std::vector<std::string>& list, const std::string& name)
{
    auto it = std::find(list.begin(), list.end(), name);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

bool erase_project_key(Registry& registry, const std::string& name)
{
    return registry.delete_key(HKCU, project_key(name));
}

}  // namespace vyn::project
