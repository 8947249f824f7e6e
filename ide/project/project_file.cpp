#include "ide/project/project_file.h"

#include <utility>
#include <vector>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/project/project_store.h"
#include "platform/files.h"

namespace vyn::project {

using vyn::format;
using vyn::platform::Registry;
using vyn::platform::RegistryRoot;

namespace {

constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
constexpr std::size_t kExportBuffer = 800;   // names and data are taken with this buffer
constexpr std::size_t kHeaderLineLimit = 400;
constexpr std::size_t kImportNameLimit = 199;
constexpr std::size_t kImportDataLimit = 799;
constexpr char kExportPrefix[] = "SOFTWARE\\vyn\\Tavra\\";

std::string cut(std::string s, std::size_t limit)
{
    if (s.size() > limit)
        s.resize(limit);
    return s;
}

// One line from pos (without its newline, and without a carriage return
// before it); pos moves past the newline.
std::string_view next_line(std::string_view text, std::size_t& pos)
{
    std::size_t end = text.find('\n', pos);
    std::size_t stop = end == std::string_view::npos ? text.size() : end;
    std::string_view line = text.substr(pos, stop - pos);
    pos = end == std::string_view::npos ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

using Values = std::vector<std::pair<std::string, std::string>>;

// Value lines: a blank-delimited name, blanks and tabs, the rest of the line.
Values parse_values(std::string_view text, std::size_t pos)
{
    Values values;
    while (pos < text.size()) {
        std::string_view line = next_line(text, pos);
        std::size_t i = 0;
        while (i < line.size() && vyn::is_blank(line[i]))
            ++i;
        std::size_t name_start = i;
        while (i < line.size() && !vyn::is_blank(line[i]))
            ++i;
        std::string name(line.substr(name_start, i - name_start));
        if (name.empty())
            continue;
        while (i < line.size() && vyn::is_blank(line[i]))
            ++i;
        values.emplace_back(cut(name, kImportNameLimit), cut(std::string(line.substr(i)), kImportDataLimit));
    }
    return values;
}

}  // namespace

std::optional<std::string> project_file_text(Registry& registry, const std::string& name)
{
    std::string key = project_key(name);
    if (!registry.key_exists(HKCU, key))
        return std::nullopt;
    std::string text = std::string(kProjectFileHeader) + "\n" + kExportPrefix + name + "\n";
    for (const std::string& value : registry.value_names(HKCU, key)) {
        std::string data = registry.read_string(HKCU, key, value).value_or("");
        text += cut(value, kExportBuffer - 1) + "\t" + cut(data, kExportBuffer - 1) + "\n";
    }
    return text;
}

std::optional<std::string> export_project(Registry& registry, const std::string& name, const std::string& directory,
                                          ProjectUi& ui)
{
    auto text = project_file_text(registry, name);
    if (!text) {
        ui.error(format("Impossible to open project %s", name.c_str()));
        return std::nullopt;
    }
    std::string path = format("%s\\%s.prj", directory.c_str(), vyn::to_lower_ascii(name).c_str());
    std::string host = vyn::winpath::to_host(path);
    if (vyn::platform::file_exists(host) && !ui.ask(format("File %s exists. Overwrite it?", path.c_str())))
        return std::nullopt;
    if (!vyn::platform::write_file_atomically(host, std::vector<std::uint8_t>(text->begin(), text->end()))) {
        ui.error(format("Impossible to open %s for writing", path.c_str()));
        ui.error(format("Impossible to export project %s", name.c_str()));
        return std::nullopt;
    }
    ui.inform(format("Project %s exported into file:\n%s", name.c_str(), path.c_str()));
    return path;
}

std::optional<std::string> imported_project_name(std::string_view key_path)
{
    constexpr std::size_t prefix = sizeof(kExportPrefix) - 1;
    if (key_path.size() <= prefix || !vyn::equals_nocase(key_path.substr(0, prefix), kExportPrefix))
        return std::nullopt;
    std::string_view name = key_path.substr(prefix);
    if (name.size() > kMaxProjectName || name == "." || name.find("..") != std::string_view::npos)
        return std::nullopt;
    for (char c : name)
        if (c == '\\' || c == '/' || static_cast<unsigned char>(c) < 0x20)
            return std::nullopt;
    if (vyn::trim(name).size() != name.size())
        return std::nullopt;
    return std::string(name);
}

std::optional<std::string> import_project_text(Registry& registry, std::string_view text, ProjectUi& ui)
{
    std::size_t pos = 0;
    std::string_view header = next_line(text, pos);
    if (header.size() >= kHeaderLineLimit || header != kProjectFileHeader) {
        ui.error("This file is not a Tavra project file");
        return std::nullopt;
    }
    std::string_view key_path = next_line(text, pos);
    auto name = imported_project_name(key_path);
    if (!name) {
        ui.error(format("The project file names the registry key\n%s\nwhich is not a project key. Nothing was imported.",
                        std::string(key_path).c_str()));
        return std::nullopt;
    }
    Values values = parse_values(text, pos);
    std::string key = project_key(*name);
    if (registry.key_exists(HKCU, key)) {
        if (!ui.ask(format("A project with the name '%s' exists already. Replace it?", name->c_str())))
            return std::nullopt;
        if (!registry.delete_key(HKCU, key)) {
            ui.error(registry.last_error());
            return std::nullopt;
        }
    }
    if (!registry.create_key(HKCU, key)) {
        ui.error(registry.last_error());
        return std::nullopt;
    }
    for (const auto& [value, data] : values)
        if (!registry.write_string(HKCU, key, value, data)) {
            ui.error(registry.last_error());
            return std::nullopt;
        }
    return name;
}

std::optional<std::string> import_project(Registry& registry, const std::string& path, ProjectUi& ui)
{
    auto bytes = vyn::platform::read_file(vyn::winpath::to_host(path));
    if (!bytes) {
        ui.error(format("Impossible to open %s", path.c_str()));
        return std::nullopt;
    }
    return import_project_text(registry, std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                               ui);
}

}  // namespace vyn::project
