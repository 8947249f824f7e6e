// A program of the Linux host run from a Windows program under Wine: the
// shell script around it, and the wait for the status file it leaves.
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "common/strings.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vyn::platform {

namespace {

constexpr DWORD kPollMilliseconds = 10;
// The host's process table is read less often than the status is looked for.
constexpr auto kLivenessInterval = std::chrono::milliseconds(250);
// A shell that has not written its id by then is taken for one that never started.
constexpr auto kLongestStart = std::chrono::seconds(60);

// One word of the shell script, in single quotes.
std::string shell_quote(const std::string& word)
{
    std::string q = "'";
    for (char c : word)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The host's process table as Wine shows it, "/proc" through a Windows name;
// empty when the host has none to read.
std::string process_table()
{
    std::string table = wine_windows_name("/proc");
    return !table.empty() && file_exists(table + "\\self\\stat") ? table : std::string();
}

// Whether host process pid still runs: its entry is there and it is not a
// zombie waiting to be reaped (state Z, or X while it goes).
bool host_process_alive(const std::string& table, long pid)
{
    auto stat = read_file(table + "\\" + std::to_string(pid) + "\\stat");
    if (!stat)
        return false;
    std::string text(stat->begin(), stat->end());
    std::size_t name_end = text.rfind(')');
    if (name_end == std::string::npos || name_end + 2 >= text.size())
        return true;  // not the format we know: no verdict
    char state = text[name_end + 2];
    return state != 'Z' && state != 'X';
}

std::optional<long> read_number(const std::string& path)
{
    auto text = read_file(path);
    return text ? parse_long(trim(std::string(text->begin(), text->end()))) : std::nullopt;
}

// The work directory's files: the shell's id, the program's standard error
// and its exit status.
struct WorkFiles {
    std::string dir, pid, err, status;
    explicit WorkFiles(std::string d) : dir(d), pid(d + "\\PID"), err(d + "\\ERR"), status(d + "\\STATUS") {}
    ~WorkFiles()
    {
        for (const std::string* f : {&pid, &err, &status})
            remove_file(*f);
        RemoveDirectoryA(dir.c_str());
    }
};

std::string shell_script(const std::vector<std::string>& argv, const HostProgramOptions& options,
                         const std::string& work)
{
    auto file = [&](const char* name) { return shell_quote(work + "/" + name); };
    std::string script = "echo $$ >" + file("PID.tmp") + " && mv " + file("PID.tmp") + " " + file("PID") + "; ";
    if (!options.directory.empty())
        script += "cd " + shell_quote(options.directory) + " && ";
    for (std::size_t i = 0; i < argv.size(); ++i)
        script += (i ? " " : "") + shell_quote(argv[i]);
    if (!options.stdout_file.empty())
        script += " >" + shell_quote(options.stdout_file);
    return script + " 2>" + file("ERR") + "; echo $? >" + file("STATUS.tmp") + " && mv " + file("STATUS.tmp") + " " +
           file("STATUS");
}

// Polls for the status file; false with error set when it will never come.
bool wait_for_status(const WorkFiles& files, const std::string& program, const HostProgramOptions& options,
                     std::string& error)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const std::string table = process_table();
    std::optional<long> pid;
    auto next_check = start;
    while (!file_exists(files.status)) {
        const auto now = Clock::now();
        if (!pid)
            pid = read_number(files.pid);
        if (!pid && now - start > kLongestStart) {
            error = "the shell (/bin/sh) for " + program + " did not start";
            return false;
        }
        if (pid && !table.empty() && now >= next_check) {
            next_check = now + kLivenessInterval;
            // The status may have been renamed into place just before the end.
            if (!host_process_alive(table, *pid) && !file_exists(files.status)) {
                error = "the shell (/bin/sh) running " + program + " ended without leaving its exit status";
                return false;
            }
        }
        if (options.longest_seconds > 0 && now - start > std::chrono::seconds(options.longest_seconds)) {
            error = program + " did not finish within " + std::to_string(options.longest_seconds) + " seconds";
            return false;
        }
        Sleep(kPollMilliseconds);
    }
    return true;
}

}  // namespace

HostProgramRun run_host_program(const std::vector<std::string>& argv, const HostProgramOptions& options)
{
    HostProgramRun run;
    if (argv.empty()) {
        run.error = "no program to run";
        return run;
    }
    std::string work = temporary_file_name("", "vynhost");
    if (!CreateDirectoryA(work.c_str(), nullptr)) {
        run.error = "cannot create " + work;
        return run;
    }
    WorkFiles files(work);
    std::string host_work = wine_host_name(work);
    if (host_work.empty()) {
        run.error = "not running under Wine: no host path for " + work;
        return run;
    }
    std::string script = shell_script(argv, options, host_work);
    if (options.verbose)
        std::fprintf(stderr, "/bin/sh -c \"%s\"\n", script.c_str());
    ProcessOptions start;
    start.hidden = true;
    // The handle Wine gives for a Linux process cannot be waited for: the
    // process is let go at once, and its files tell the rest.
    if (!Process::start(command_line({"/bin/sh", "-c", script}), start, run.error))
        return run;
    if (!wait_for_status(files, argv[0], options, run.error))
        return run;
    run.exit_code = read_number(files.status);
    if (!run.exit_code)
        run.error = "the exit status of " + argv[0] + " could not be read";
    if (auto text = read_file(files.err))
        run.stderr_text.assign(text->begin(), text->end());
    return run;
}

}  // namespace vyn::platform
