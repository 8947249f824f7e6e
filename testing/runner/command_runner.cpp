#include "testing/runner/command_runner.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

#include "platform/files.h"

namespace vyn::runner {

namespace {

// A scratch file for one stream; removed when the run is over.
struct ScratchFile {
    std::string path = platform::temporary_file_name("", "vyn_run_");
    ~ScratchFile() { platform::remove_file(path); }
};

std::string read_back(const std::string& path)
{
    std::string bytes;
    if (!platform::read_whole_file(path, bytes))
        bytes.clear();
    return bytes;
}

}  // namespace

std::string shell_quote(const std::string& word)
{
    std::string q = "'";
    for (char c : word) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

/* run_command: the command runs under the shell with its streams sent to
 * scratch files, read back once it has ended; a program that writes much on
 * both streams cannot block on a full pipe this way. */
CommandResult run_command(const std::string& command, const CommandOptions& options)
{
    ScratchFile out, err, in;
    std::string line = options.directory.empty() ? "" : "cd " + shell_quote(options.directory) + " && ";
    line += "{ " + command + "\n}";
    if (options.stdin_text) {
        if (!platform::write_file_atomically(in.path, {options.stdin_text->begin(), options.stdin_text->end()}))
            return {};
        line += " <" + shell_quote(in.path);
    }
    line += " >" + shell_quote(out.path);
    line += options.merge_streams ? " 2>&1" : " 2>" + shell_quote(err.path);
    std::fflush(nullptr);
    int status = std::system(line.c_str());
    CommandResult result;
    if (status != -1 && WIFEXITED(status))
        result.exit_code = WEXITSTATUS(status);
    else if (status != -1 && WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    result.out = read_back(out.path);
    if (!options.merge_streams)
        result.err = read_back(err.path);
    return result;
}

}  // namespace vyn::runner
