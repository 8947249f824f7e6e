// Reading and writing the IDE's settings through the registry seam, and the
// compiler root kept beside them (Software\vyn\Compiler includepath,
// Software\vyn\vynlnk libpath).
#pragma once

#include <optional>
#include <string>

#include "ide/shell/settings.h"
#include "platform/registry.h"

namespace vyn::shell {

inline constexpr char kTavraKey[] = "Software\\vyn\\Tavra";
inline constexpr char kVynKey[] = "Software\\vyn";
inline constexpr char kCompilerKey[] = "Software\\vyn\\Compiler";
inline constexpr char kLinkerKey[] = "Software\\vyn\\vynlnk";

// What the store asks of the user.
class SettingsUi {
public:
    virtual ~SettingsUi() = default;
    virtual void tell(const std::string& message) = 0;
    // A directory chosen by the user, nothing when cancelled.
    virtual std::optional<std::string> choose_directory(const std::string& title) = 0;
};

class SettingsStore {
public:
    SettingsStore(vyn::platform::Registry& registry, SettingsUi& ui) : registry_(registry), ui_(ui) {}

    // Opens the store; when the vyn key does not exist yet, runs the
    // first-run set-up with the IDE's executable path and the current
    // directory. False when the store could not be opened.
    bool open(const std::string& ide_executable, const std::string& current_dir);

    // Reads every global value (defaults for the missing ones), the projects
    // and, when no project is current, the open files. start_dir is the
    // default of CurrentDir.
    Settings read(const std::string& start_dir);
    // Writes the global values in their order, then the frame placement and,
    // without a project, the open files. Stops at the first failure, which it
    // reports; false then. False without a word while the first-run set-up
    // has not completed (there is no vyn key).
    bool write(const Settings& settings, bool project_open);

    // The compiler root: includepath up to its last backslash; empty (with
    // the message) when includepath has none, empty silently when missing.
    std::string compiler_root();
    // Writes includepath and libpath for root; false (reported) on failure.
    bool set_compiler_root(const std::string& root);

private:
    long read_number(const char* name, long fallback);
    std::optional<std::string> read_string(const std::string& name);
    bool write_number(const std::string& name, long value);
    bool write_string(const std::string& name, const std::string& value);
    bool report_write_failure();

    void read_utilities(Settings& settings);
    void read_languages(Settings& settings);
    void read_macros(Settings& settings);
    void read_accelerators(Settings& settings);
    void read_projects(Settings& settings);
    void read_open_files(Settings& settings);
    bool write_utilities(const Settings& settings);
    bool write_languages(const Settings& settings);
    bool write_macros(const Settings& settings);
    bool write_accelerators(const Settings& settings);
    bool write_projects(const Settings& settings);
    bool write_open_files(const Settings& settings);

    vyn::platform::Registry& registry_;
    SettingsUi& ui_;
};

// The first-run guess at the compiler root from the IDE's executable path:
// its directory (current_dir when the path has no backslash) without a final
// "\bin", without a leading quote, with the current drive put before a root
// that starts with a backslash.
std::string candidate_compiler_root(const std::string& ide_executable, const std::string& current_dir);

// Checks a root typed into the configuration dialog; the message when it is
// not usable, nothing when it is.
std::optional<std::string> check_compiler_root(const std::string& root);

// PATH with the compiler's bin directory put first, unless PATH already
// contains the root (compared as text).
std::string path_with_compiler(const std::string& path, const std::string& root);

}  // namespace vyn::shell
