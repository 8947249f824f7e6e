#include "ide/project/resource_file.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "platform/files.h"

namespace vyn::project {

namespace {

std::string in_directory(const std::string& dir, const std::string& name)
{
    return dir.empty() ? name : vyn::winpath::join(dir, name);
}

}  // namespace

std::optional<std::string> project_resource_file(const Project& project)
{
    for (const std::string& file : project.files) {
        if (vyn::ends_with_nocase(file, ".res"))
            return file.find('\\') == std::string::npos ? in_directory(project.sources_dir, file) : file;
        if (vyn::ends_with_nocase(file, ".rc")) {
            std::string res = vyn::winpath::replace_extension(vyn::winpath::base_name(file), ".res");
            return in_directory(project.make.dir.empty() ? project.sources_dir : project.make.dir, res);
        }
    }
    return std::nullopt;
}

std::optional<CompiledScript> compiled_resource_script(const Project& project)
{
    for (const std::string& file : project.files) {
        if (vyn::ends_with_nocase(file, ".res"))
            return std::nullopt;
        if (vyn::ends_with_nocase(file, ".rc")) {
            std::string script = file.find('\\') == std::string::npos ? in_directory(project.sources_dir, file) : file;
            return CompiledScript{script, *project_resource_file(project)};
        }
    }
    return std::nullopt;
}

bool compiled_resources_out_of_date(const CompiledScript& files)
{
    auto compiled = vyn::platform::modification_time_ns(vyn::winpath::to_host(files.compiled));
    auto script = vyn::platform::modification_time_ns(vyn::winpath::to_host(files.script));
    return !compiled || (script && *script > *compiled);
}

std::string resource_editor_command(const std::string& compiler_root, const std::string& resource_file)
{
    std::string file = resource_file.find(' ') == std::string::npos ? resource_file : "\"" + resource_file + "\"";
    return vyn::format("%s\\bin\\tavrares.exe %s", compiler_root.c_str(), file.c_str());
}

}  // namespace vyn::project
