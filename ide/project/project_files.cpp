#include "ide/project/project_files.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/project/makefile_generator.h"

namespace vyn::project {

namespace winpath = vyn::winpath;

namespace {

std::string document_name_of(const std::string& path, const std::string& base)
{
    return winpath::upper_az(winpath::full_path(path, base));
}

std::string sources_of(const Project& p) { return p.sources_dir.empty() ? p.project_path : p.sources_dir; }

// True when name lies below directory (both full, upper-cased).
bool lies_in(const std::string& name, const std::string& directory)
{
    if (directory.empty() || name.size() <= directory.size() || name.compare(0, directory.size(), directory) != 0)
        return false;
    return winpath::is_separator(name[directory.size()]) || winpath::is_separator(directory.back());
}

}  // namespace

std::string project_file_path(const Project& p, const std::string& file)
{
    return winpath::full_path(file, sources_of(p));
}

bool is_project_file(const Project& p, const std::string& document_name)
{
    for (const std::string& file : p.files)
        if (winpath::upper_az(project_file_path(p, file)) == document_name)
            return true;
    return false;
}

bool belongs_to_project(const Project& p, const std::string& document_name)
{
    if (!p.is_open())
        return false;
    if (is_project_file(p, document_name))
        return true;
    for (const auto& list : p.dependencies)
        for (const std::string& header : list)
            if (document_name_of(header, sources_of(p)) == document_name)
                return true;
    return !p.make.dir.empty() && lies_in(document_name, document_name_of(p.make.dir, sources_of(p)));
}

std::optional<std::string> compiled_object_file(const Project& p, const std::string& source, std::string& error)
{
    std::string_view base = winpath::base_name(source);
    if (base.find('.') == std::string_view::npos) {
        error = vyn::format("Error in object file name %s", std::string(base).c_str());
        return std::nullopt;
    }
    return p.make.dir + "\\" + object_name(std::string(base));
}

}  // namespace vyn::project
