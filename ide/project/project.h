// The one open project: its record, the compiler flag word and the project
// type derived from it. A project is open when its name is not empty; a
// closed project is a default-constructed record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vyn::project {

// Bits of the compiler flag word (CompilerFlags).
namespace flag {
inline constexpr std::uint32_t kNoDebugInfo = 0x1;       // link " -s"
inline constexpr std::uint32_t kOptimize = 0x4;          // " -O "
inline constexpr std::uint32_t kDebugInfo = 0x8;         // " -g2 "
inline constexpr std::uint32_t kBrowseInfo = 0x10;       // " -x "
inline constexpr std::uint32_t kAsm = 0x20;              // " -S "
inline constexpr std::uint32_t kWindows = 0x40;
inline constexpr std::uint32_t kConsole = 0x80;          // " -subsystem console"
inline constexpr std::uint32_t kDll = 0x100;             // " -dll"
inline constexpr std::uint32_t kWarningsAll = 0x200;     // " -A "
inline constexpr std::uint32_t kStaticLibrary = 0x400;   // librarian instead of linker
inline constexpr std::uint32_t kStackTrace = 0x800;      // " -g3 "
inline constexpr std::uint32_t kStackTraceLines = 0x1000;  // " -g4 "
inline constexpr std::uint32_t kMapFile = 0x2000;
inline constexpr std::uint32_t kPack1 = 0x4000;
inline constexpr std::uint32_t kPack2 = 0x8000;
inline constexpr std::uint32_t kPack4 = 0x10000;
inline constexpr std::uint32_t kPack8 = 0x20000;
inline constexpr std::uint32_t kPack16 = 0x40000;
inline constexpr std::uint32_t kIntermediate = 0x80000;  // "-z "
inline constexpr std::uint32_t kOutputTypes = kWindows | kConsole | kDll | kStaticLibrary;
}  // namespace flag

// The project flag word: bit 0 puts the project under version control.
inline constexpr std::uint32_t kProjectUsesVersions = 0x1;

enum class ProjectType { Windows, Console, Dll, Library };

struct OpenFile {
    std::string path;
    std::vector<long> numbers;  // up to five integers of editor window state
};

struct MakeSettings {
    std::string name = "make.exe";  // the whole command line of the build
    std::string args;               // kept with the project, not passed by the build
    std::string dir;                // makefile, objects and the executable go here
};

struct Breakpoint {
    std::string file;
    long line = 0;
};

struct FileProcessor {
    std::string input, command, output;
};

struct Project {
    std::string name;
    std::vector<std::string> files;              // as the user added them
    std::vector<std::vector<std::string>> dependencies;  // per file, parallel to files (may be shorter)
    std::string project_path;
    std::vector<OpenFile> open_files;
    std::string cms_directory;
    std::string current_file;
    std::string frame;       // "%d %d %d %d"
    std::string status_bar;  // "%d,%d,%d,%d"
    bool has_make_settings = false;
    MakeSettings make;
    std::string includes, defines, error_file, sources_dir, exe;
    std::uint32_t compiler_flags = flag::kDebugInfo;
    std::string compiler_root;  // not stored: from the compiler's includepath
    std::string libraries;
    std::vector<Breakpoint> breakpoints;
    std::uint32_t project_flags = 0;
    std::string entry_point;    // not stored; "LibMain" for a new DLL
    std::vector<FileProcessor> file_processors;
    std::string linker_args;
    std::string debugger_arguments, debuggee, debugger_dir;
    std::vector<std::string> users;
    long put_options = 0, get_options = 0, file_options = 0, lock_options = 0, users_options = 0;
    // Results of the last build.
    long return_code = 0;
    long build_ms = 0;

    bool is_open() const { return !name.empty(); }
};

// Library before DLL before console; anything else is a Windows application.
ProjectType project_type(std::uint32_t compiler_flags);
// "Library", "Dll", "Console application", "Windows application".
const char* project_type_name(ProjectType type);
// ".lib", ".dll" or ".exe".
const char* type_extension(ProjectType type);
// Sets one output type and clears the other three; the debug bit is
// forced on by the stack-trace levels.
std::uint32_t with_output_type(std::uint32_t compiler_flags, std::uint32_t output_bit);
std::uint32_t normalised_flags(std::uint32_t compiler_flags);

}  // namespace vyn::project
