// The makefile generator: the project record turned into "Makefile" in the
// make directory, with the compiler switches, the object list, the link or
// librarian line and one rule per source. C sources get a macro of the
// headers they include, found by running the compiler in dependency mode.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ide/project/project.h"
#include "ide/project/project_ui.h"
#include "platform/registry.h"

namespace vyn::project {

// The fixed name of the compiler's dependency list in the current directory.
inline constexpr char kDependencyListName[] = "$x8856455.723";
inline constexpr char kMakefileMark[] = "# Tavra Makefile";

// Runs one dependency command and hands back the lines of its list.
class DependencyScanner {
public:
    struct Result {
        bool ok = false;
        long error_code = 0;             // the system's code or the exit code on failure
        std::vector<std::string> lines;  // newline removed
    };
    virtual ~DependencyScanner() = default;
    virtual Result scan(const std::string& command_line) = 0;
};

// The real scan: the command runs hidden in directory (the IDE's current
// directory), is waited for, and the list it leaves there is read and deleted.
class ProcessDependencyScanner : public DependencyScanner {
public:
    explicit ProcessDependencyScanner(std::string directory) : directory_(std::move(directory)) {}
    Result scan(const std::string& command_line) override;

private:
    std::string directory_;
};

struct MakefileHooks {
    ProjectUi& ui;
    DependencyScanner& scanner;
    // The file-processor dialog for a file of a type without a rule;
    // nothing when cancelled.
    std::function<std::optional<FileProcessor>(const std::string& file)> define_processor;
    // Progress: the file whose rule is being written (the IDE also lets
    // pending window messages through here).
    std::function<void(const std::string& file)> progress;
    // Called before the makefile is touched, to close an editor window on it.
    std::function<void(const std::string& makefile)> close_makefile_window;
};

// Derived names.
std::string object_name(const std::string& file);     // "Src\\Hello.C" -> "hello.obj"
std::string dependency_macro(const std::string& file);  // "hello.c" -> "HELLO_C"
std::string compiler_switches(const Project& project);
std::string link_switches(const Project& project, ProjectUi& ui);
std::string dependency_command(const Project& project, const std::string& file);

// The makefile's text for a completed record (make directory and compiler
// root set). Fills the executable name and the Fortran library into the
// record and may add file processors. Nothing when a file type without a
// rule is met and its dialog is cancelled (told); partial then holds the
// text written so far.
std::optional<std::string> makefile_text(Project& project, MakefileHooks& hooks, std::string* partial = nullptr);

// The whole generation: completes the record, creates the make settings or
// directory when missing, keeps a user's own Makefile as "Makefile.old",
// writes "Makefile". False (told) on failure.
bool generate_makefile(Project& project, vyn::platform::Registry& registry, const std::string& current_dir,
                       MakefileHooks& hooks);

}  // namespace vyn::project
