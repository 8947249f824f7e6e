// Reaching the IDE: its frame window is found by class; when none runs the
// IDE is started and looked for again every 500 ms, at most 10 times.
#pragma once

#include <functional>
#include <string>

namespace vyn::resedit {

inline constexpr char kIdeFrameClass[] = "clMDIFrame";
inline constexpr int kIdePollMs = 500;
inline constexpr int kIdePolls = 10;
inline constexpr char kIdeStartFailed[] =
    "Impossible to start Tavra.exe\nChange the Options->Configuration->Editor settings";

// The command that starts the IDE: the "EditorFullPath" setting, else the
// installation's "bin\tavra.exe" beside the editor's own directory
// (editor_path is the editor's executable).
std::string ide_command(const std::string& editor_full_path, const std::string& editor_path);

// What reaching the IDE needs from the system.
struct IdeSystem {
    std::function<bool()> find;                                   // the frame exists
    std::function<bool(const std::string& command, const std::string& dir)> start;
    std::function<void(int ms)> sleep;
};

// True when the IDE's frame is found, after starting command in directory
// when none ran; false when it never appeared (the caller shows
// kIdeStartFailed).
bool reach_ide(IdeSystem& system, const std::string& command, const std::string& directory);

}  // namespace vyn::resedit
