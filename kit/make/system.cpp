#include "kit/make/system.h"

#include <system_error>

#include "common/strings.h"
#include "common/winpath.h"
#include "kit/make/makefile.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vyn::make {

namespace {

bool in_list(const std::string& word, std::initializer_list<const char*> list, bool nocase)
{
    for (const char* w : list)
        if (nocase ? equals_nocase(word, w) : word == w)
            return true;
    return false;
}

// Words that only the interpreter understands as the first word of a command.
bool is_shell_builtin(const std::string& word, bool posix)
{
    if (posix)
        return in_list(word, {"cd", "exit", "export", "set", "unset", ":", ".", "source", "if", "for", "while",
                              "until", "case", "eval", "exec", "umask", "ulimit", "trap", "alias", "read", "shift",
                              "wait", "return"},
                       false);
    return in_list(word, {"assoc", "break", "call", "cd", "chdir", "cls", "color", "copy", "date", "del", "dir",
                          "echo", "endlocal", "erase", "exit", "for", "ftype", "goto", "if", "md", "mkdir", "mklink",
                          "move", "path", "pause", "popd", "prompt", "pushd", "rd", "rem", "ren", "rename", "rmdir",
                          "set", "setlocal", "shift", "start", "time", "title", "type", "ver", "verify", "vol"},
                   true);
}

}  // namespace

std::optional<std::int64_t> SystemFileTimes::time(const std::string& path)
{
    // The file system's own resolution: the C library's times on Windows keep
    // whole seconds, so a source saved within a second of its object would look old.
    return platform::modification_time_ns(winpath::to_host(path));
}

Launch choose_launch(const std::string& command, bool posix)
{
    // Backslashes are path separators in this system's makefiles, so they do
    // not call for a POSIX shell by themselves: a direct start keeps them.
    const char* special = posix ? "|&;<>()$`'\"*?[]~{}\n" : "|&<>^%\"\n";
    if (command.find_first_of(special) != std::string::npos)
        return Launch::Shell;
    std::vector<std::string> words = split_words(command);
    if (words.empty() || is_shell_builtin(words[0], posix))
        return Launch::Shell;
    // An assignment in front of a program ("CC=x prog") is the shell's syntax too.
    if (posix && words[0].find('=') != std::string::npos)
        return Launch::Shell;
    return Launch::Direct;
}

std::string host_command_line(const std::string& command)
{
#ifdef _WIN32
    if (choose_launch(command, false) == Launch::Shell)
        return "cmd /s /c \"" + command + "\"";
    return command;
#else
    if (choose_launch(command, true) == Launch::Shell)
        return platform::command_line({"/bin/sh", "-c", command});
    return command;
#endif
}

std::optional<int> SystemRunner::run(const std::string& command, std::string& error)
{
    auto process = platform::Process::start(host_command_line(command), {}, error);
    if (!process)
        return std::nullopt;
    std::optional<std::uint32_t> code = process->wait();
    if (!code) {
        error = "lost the command " + command;
        return std::nullopt;
    }
    return static_cast<int>(*code);
}

}  // namespace vyn::make
