// Bringing targets up to date: the order of work, the timestamp decision and
// the messages. Files and commands are reached through two small interfaces,
// so the engine is tested with scripted ones and runs with the real ones.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "kit/make/makefile.h"

namespace vyn::make {

class FileTimes {
public:
    virtual ~FileTimes() = default;
    // Modification time in any monotonic unit (finer is better); nothing when missing.
    virtual std::optional<std::int64_t> time(const std::string& path) = 0;
};

class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    // Runs one command line; its exit code, or nothing when it could not be
    // started (error then says why).
    virtual std::optional<int> run(const std::string& command, std::string& error) = 0;
};

struct BuildOptions {
    bool dry_run = false;        // -n: print the commands, run none
    bool keep_going = false;     // -k: go on with targets that do not depend on a failure
    bool silent = false;         // -s: do not echo commands
    bool ignore_errors = false;  // -i: every command as if prefixed with '-'
};

// A command line split from its prefixes "@" (no echo), "-" (errors ignored)
// and "+" (run even with -n).
struct CommandPrefixes {
    bool silent = false;
    bool ignore_error = false;
    bool always = false;
    std::string text;
};
CommandPrefixes split_prefixes(const std::string& command);

class Builder {
public:
    Builder(const Makefile& makefile, const std::map<std::string, std::string>& overrides,
            const std::map<std::string, std::string>& environment, const BuildOptions& options, FileTimes& files,
            CommandRunner& runner, std::ostream& out, std::ostream& err);

    // Brings each goal up to date in order; the exit status of make:
    // 0 when everything was made, 2 otherwise.
    int make_goals(const std::vector<std::string>& goals);

private:
    enum class State { Building, Done, Failed };
    struct Outcome {
        bool ok = true;
        bool remade = false;  // commands ran (or would have, with -n)
    };
    struct Plan {
        const Rule* rule = nullptr;
        const InferenceRule* inference = nullptr;
        std::string stem;
        std::vector<std::string> prerequisites;
        const std::vector<Command>* commands = nullptr;
    };

    Outcome make(const std::string& target, const std::string& parent);
    Plan plan_for(const std::string& target);
    bool exists_or_makeable(const std::string& name);
    bool run_commands(const std::string& target, const Plan& plan, const std::vector<std::string>& newer);
    std::optional<std::int64_t> time_of(const std::string& target);
    bool is_phony(const std::string& target) const;

    const Makefile& makefile_;
    const std::map<std::string, std::string>& overrides_;
    const std::map<std::string, std::string>& environment_;
    BuildOptions options_;
    FileTimes& files_;
    CommandRunner& runner_;
    std::ostream& out_;
    std::ostream& err_;
    // Inference rules applied on the chain of targets being made right now:
    // one rule is used at most once in a chain, so "%: %.x" cannot recurse.
    std::vector<const InferenceRule*> chain_rules_;
    int depth_ = 0;
    std::map<std::string, State> state_;
    std::map<std::string, Outcome> done_;
    bool stop_ = false;        // a failure without -k: no further work
    int commands_run_ = 0;
};

}  // namespace vyn::make
