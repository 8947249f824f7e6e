#include "ide/project/build_runner.h"

#include <chrono>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/project/project_defaults.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vyn::project {

using vyn::format;
namespace winpath = vyn::winpath;
namespace platform = vyn::platform;

MakeJob make_job(const Project& p)
{
    MakeJob job;
    job.make_name = p.make.name;
    job.make_dir = p.make.dir;
    job.error_file = p.error_file.empty() ? default_error_file(p) : p.error_file;
    return job;
}

std::optional<std::string> read_diagnostics_file(const std::string& error_file, const std::string& make_dir)
{
    auto bytes = platform::read_file(winpath::to_host(error_file));
    if (!bytes && !winpath::is_absolute(error_file) && !winpath::is_rooted(error_file) && !make_dir.empty())
        bytes = platform::read_file(winpath::to_host(format("%s\\%s", make_dir.c_str(), error_file.c_str())));
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

MakeRun run_make(const MakeJob& job, BuildShared& shared, const std::function<void()>& starting)
{
    MakeRun run;
    shared.state = kBuildMaking;
    std::string command = job.make_name.empty() ? "make" : job.make_name;
    std::string error_file = job.error_file;
    // A relative name is taken in the make directory, where make runs.
    if (!winpath::is_absolute(error_file) && !winpath::is_rooted(error_file) && !job.make_dir.empty())
        error_file = format("%s\\%s", job.make_dir.c_str(), error_file.c_str());
    platform::remove_file(winpath::to_host(error_file));
    if (!platform::directory_exists(winpath::to_host(job.make_dir))) {
        run.message = format("The make directory %s\ndoes not exist.\nImpossible to run make\n", job.make_dir.c_str());
        shared.state = kBuildIdle;
        return run;
    }
    platform::ProcessOptions options;
    options.directory = winpath::to_host(job.make_dir);
    options.hidden = true;
    options.stderr_file = winpath::to_host(error_file);
    if (starting)
        starting();
    auto begin = std::chrono::steady_clock::now();
    std::string error;
    auto process = platform::Process::start(command, options, error);
    if (!process) {
        run.message = format("Impossible to execute '%s'", command.c_str());
    } else {
        run.started = true;
        auto code = process->wait();
        run.build_ms = long(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                                   begin)
                                .count());
        run.return_code = code ? long(*code) : -1;
    }
    shared.state = kBuildIdle;
    shared.stop_request = 0;
    return run;
}

}  // namespace vyn::project
