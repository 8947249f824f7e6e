#include "ide/project/project_versions.h"

#include "common/winpath.h"
#include "ide/versions/store.h"
#include "platform/files.h"

namespace vyn::project {

namespace winpath = vyn::winpath;
namespace versions = vyn::versions;

CheckInResult check_in_project_files(const Project& project, const std::string& user, const std::string& date,
                                     versions::Ui& ui)
{
    CheckInResult result;
    std::string cms = project.cms_directory.empty() ? project.project_path + "\\CMS" : project.cms_directory;
    // The user asked for the store when creating the project: no question.
    if (!vyn::platform::directory_exists(winpath::to_host(cms)))
        vyn::platform::make_directories(winpath::to_host(cms));
    for (const std::string& file : project.files) {
        // A name without a directory lies in the sources directory.
        const std::string& sources = project.sources_dir.empty() ? project.project_path : project.sources_dir;
        std::string path = winpath::is_rooted(file) || winpath::has_drive(file) ? file : winpath::join(sources, file);
        versions::StoreContext context;
        // The store works on the file system's own names.
        context.cms_directory = winpath::to_host(cms);
        context.working_directory = winpath::to_host(winpath::directory(path));
        context.user = user;
        context.date = date;
        context.options.read_only_files = project.file_options & 0x1;
        versions::PutRequest request;
        request.file = std::string(winpath::base_name(path));
        request.keep_source = true;
        request.quiet = true;
        if (versions::put_file(context, request, ui).ok)
            ++result.revisions;
        else
            result.failed.push_back(file);
    }
    return result;
}

}  // namespace vyn::project
