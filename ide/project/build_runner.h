// Running make for the open project. The build state and the stop request
// are the two words the interface thread shares with the make runner's
// thread: the interface thread reads the state and sets the request, the
// runner sets the state and clears the request.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "ide/project/project.h"

namespace vyn::project {

enum BuildState : int { kBuildIdle = 0, kBuildGenerating = 1, kBuildMaking = 2 };

struct BuildShared {
    std::atomic<int> state{kBuildIdle};
    std::atomic<int> stop_request{0};
};

// What one make run needs, copied from the record on the interface thread.
struct MakeJob {
    std::string make_name;   // the whole command line; "make" when empty
    std::string make_dir;
    std::string error_file;  // the diagnostics file
};

struct MakeRun {
    bool started = false;
    std::string message;     // why it did not start
    long return_code = -1;
    long build_ms = 0;
};

// The job for the project (the error file defaulted when empty).
MakeJob make_job(const Project& project);

// The diagnostics file as the results read it: relative names are looked
// for as given, then in the make directory. Nothing when neither opens.
std::optional<std::string> read_diagnostics_file(const std::string& error_file, const std::string& make_dir);

// Runs make hidden in the make directory with its standard error in the
// diagnostics file and waits for it. Sets the build state to "making" for
// the run and back to idle, and clears the stop request at the end.
// starting is called when make is about to start (the results list is
// cleared there).
MakeRun run_make(const MakeJob& job, BuildShared& shared, const std::function<void()>& starting = {});

}  // namespace vyn::project
