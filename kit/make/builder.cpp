#include "kit/make/builder.h"

#include <algorithm>

#include "common/winpath.h"
#include "kit/make/expand.h"

namespace vyn::make {

namespace {

// Prerequisite chains deeper than this end the run instead of the stack.
constexpr int kMaxDepth = 1000;

// The stem of name under pattern ("%.obj" and "util.obj" give "util"), or nothing.
std::optional<std::string> match_pattern(const std::string& pattern, const std::string& name)
{
    std::size_t percent = pattern.find('%');
    if (percent == std::string::npos)
        return pattern == name ? std::optional<std::string>("") : std::nullopt;
    std::string prefix = pattern.substr(0, percent), suffix = pattern.substr(percent + 1);
    if (name.size() < prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return std::nullopt;
    return name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
}

std::string with_stem(const std::string& pattern, const std::string& stem)
{
    std::size_t percent = pattern.find('%');
    if (percent == std::string::npos)
        return pattern;
    return pattern.substr(0, percent) + stem + pattern.substr(percent + 1);
}

std::string joined(const std::vector<std::string>& words)
{
    std::string out;
    for (const std::string& w : words)
        out += (out.empty() ? "" : " ") + w;
    return out;
}

}  // namespace

CommandPrefixes split_prefixes(const std::string& command)
{
    CommandPrefixes p;
    std::size_t i = 0;
    for (; i < command.size(); ++i) {
        char c = command[i];
        if (c == '@')
            p.silent = true;
        else if (c == '-')
            p.ignore_error = true;
        else if (c == '+')
            p.always = true;
        else if (c != ' ' && c != '\t')
            break;
    }
    p.text = command.substr(i);
    return p;
}

Builder::Builder(const Makefile& makefile, const std::map<std::string, std::string>& overrides,
                 const std::map<std::string, std::string>& environment, const BuildOptions& options, FileTimes& files,
                 CommandRunner& runner, std::ostream& out, std::ostream& err)
    : makefile_(makefile), overrides_(overrides), environment_(environment), options_(options), files_(files),
      runner_(runner), out_(out), err_(err)
{
}

bool Builder::is_phony(const std::string& target) const
{
    return std::find(makefile_.phony.begin(), makefile_.phony.end(), target) != makefile_.phony.end();
}

std::optional<std::int64_t> Builder::time_of(const std::string& target)
{
    if (is_phony(target))
        return std::nullopt;
    return files_.time(target);
}

bool Builder::exists_or_makeable(const std::string& name)
{
    return makefile_.rules.count(name) || files_.time(name).has_value();
}

/* What to do for target: its explicit rule, and, when that has no commands,
   the first inference rule whose prerequisite exists or has a rule. */
Builder::Plan Builder::plan_for(const std::string& target)
{
    Plan plan;
    auto it = makefile_.rules.find(target);
    if (it != makefile_.rules.end()) {
        plan.rule = &it->second;
        plan.prerequisites = it->second.prerequisites;
        if (!it->second.commands.empty()) {
            plan.commands = &it->second.commands;
            return plan;
        }
    }
    if (is_phony(target))
        return plan;
    for (const InferenceRule& r : makefile_.inference) {
        auto stem = match_pattern(r.target_pattern, target);
        if (!stem || r.commands.empty() ||
            std::find(chain_rules_.begin(), chain_rules_.end(), &r) != chain_rules_.end())
            continue;
        std::string source = r.prerequisite_pattern.empty() ? std::string() : with_stem(r.prerequisite_pattern, *stem);
        if (!source.empty() && !exists_or_makeable(source))
            continue;
        plan.inference = &r;
        plan.stem = *stem;
        plan.commands = &r.commands;
        std::vector<std::string> prerequisites;
        if (!source.empty())
            prerequisites.push_back(source);
        for (const std::string& extra : r.extra_prerequisites)
            prerequisites.push_back(with_stem(extra, *stem));
        for (const std::string& p : plan.prerequisites)
            if (std::find(prerequisites.begin(), prerequisites.end(), p) == prerequisites.end())
                prerequisites.push_back(p);
        plan.prerequisites = prerequisites;
        break;
    }
    return plan;
}

/* Makes target: first its prerequisites, depth first in the order written,
   then its commands when it is missing, phony, or older than a prerequisite
   (or a prerequisite was remade in this run). */
Builder::Outcome Builder::make(const std::string& target, const std::string& parent)
{
    auto st = state_.find(target);
    if (st != state_.end()) {
        if (st->second == State::Building) {
            err_ << "make: Circular " << parent << " <- " << target << " dependency dropped.\n";
            return {};
        }
        return done_[target];
    }
    if (depth_ >= kMaxDepth) {
        err_ << "make: *** Prerequisites of '" << parent << "' nest deeper than " << kMaxDepth << " levels.  Stop.\n";
        stop_ = true;
        return {false, false};
    }
    state_[target] = State::Building;
    Plan plan = plan_for(target);
    Outcome outcome;
    std::vector<std::pair<std::string, Outcome>> made;
    ++depth_;
    if (plan.inference)
        chain_rules_.push_back(plan.inference);
    for (const std::string& p : plan.prerequisites) {
        if (stop_)
            break;
        Outcome o = make(p, target);
        made.push_back({p, o});
        if (!o.ok)
            outcome.ok = false;
    }
    if (plan.inference)
        chain_rules_.pop_back();
    --depth_;
    auto finish = [&](Outcome o) {
        state_[target] = o.ok ? State::Done : State::Failed;
        done_[target] = o;
        return o;
    };
    if (!outcome.ok || stop_) {
        outcome.ok = false;
        return finish(outcome);
    }
    std::optional<std::int64_t> own = time_of(target);
    if (!plan.commands) {
        if (!plan.rule && !own && !is_phony(target)) {
            err_ << "make: *** No rule to make target '" << target << "'";
            if (!parent.empty())
                err_ << ", needed by '" << parent << "'";
            err_ << (options_.keep_going ? ".\n" : ".  Stop.\n");
            if (!options_.keep_going)
                stop_ = true;
            return finish({false, false});
        }
        for (const auto& [name, o] : made)
            outcome.remade = outcome.remade || o.remade;
        return finish(outcome);
    }
    std::vector<std::string> newer;
    for (const auto& [name, o] : made) {
        std::optional<std::int64_t> t = time_of(name);
        if (o.remade || !own || (t && *t > *own))
            if (std::find(newer.begin(), newer.end(), name) == newer.end())
                newer.push_back(name);
    }
    if (own && newer.empty() && !is_phony(target))
        return finish(outcome);
    outcome.ok = run_commands(target, plan, newer);
    outcome.remade = true;
    return finish(outcome);
}

bool Builder::run_commands(const std::string& target, const Plan& plan, const std::vector<std::string>& newer)
{
    std::map<std::string, std::string> automatic;
    automatic["@"] = target;
    automatic["<"] = plan.prerequisites.empty() ? std::string() : plan.prerequisites.front();
    automatic["^"] = joined(plan.prerequisites);
    automatic["?"] = joined(newer);
    automatic["*"] = plan.inference ? plan.stem : winpath::replace_extension(target, "");
    // replace_extension makes backslashes; the stem keeps the target's own spelling.
    if (!plan.inference) {
        std::string_view ext = winpath::extension(target);
        automatic["*"] = target.substr(0, target.size() - ext.size());
    }
    Scope scope{&makefile_, &overrides_, &environment_, &automatic};
    for (const Command& c : *plan.commands) {
        ExpandResult e = expand(c.text, scope);
        if (!e.error.empty()) {
            err_ << "make: *** [" << target << "] " << e.error << ".  Stop.\n";
            stop_ = true;
            return false;
        }
        CommandPrefixes p = split_prefixes(e.text);
        if (p.text.empty())
            continue;
        if (options_.dry_run || (!p.silent && !options_.silent))
            out_ << p.text << "\n" << std::flush;
        if (options_.dry_run && !p.always)
            continue;
        std::string error;
        std::optional<int> code = runner_.run(p.text, error);
        ++commands_run_;
        if (!code) {
            err_ << "make: " << error << "\n";
            code = 127;
        }
        if (*code == 0)
            continue;
        if (p.ignore_error || options_.ignore_errors) {
            err_ << "make: [" << target << "] Error " << *code << " (ignored)\n";
            continue;
        }
        err_ << "make: *** [" << target << "] Error " << *code << "\n";
        if (!options_.keep_going)
            stop_ = true;
        return false;
    }
    return true;
}

int Builder::make_goals(const std::vector<std::string>& goals)
{
    std::vector<std::string> wanted = goals;
    if (wanted.empty()) {
        if (makefile_.default_target.empty()) {
            err_ << "make: *** No targets.  Stop.\n";
            return 2;
        }
        wanted.push_back(makefile_.default_target);
    }
    bool all_ok = true;
    for (const std::string& goal : wanted) {
        if (stop_)
            break;
        int before = commands_run_;
        bool seen = state_.count(goal) > 0;
        Outcome o = make(goal, "");
        all_ok = all_ok && o.ok;
        if (!o.ok && options_.keep_going)
            err_ << "make: Target '" << goal << "' not remade because of errors.\n";
        if (!o.ok || seen || commands_run_ != before || o.remade)
            continue;
        Plan plan = plan_for(goal);
        if (plan.commands)
            out_ << "make: '" << goal << "' is up to date.\n";
        else
            out_ << "make: Nothing to be done for '" << goal << "'.\n";
    }
    return all_ok && !stop_ ? 0 : 2;
}

}  // namespace vyn::make
