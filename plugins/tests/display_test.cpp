// Every parameter display of the shared table, through vsthost.
#include "plugins/tests/display_cases.h"
#include "plugins/tests/vsthost_run.h"

#include <gtest/gtest.h>

namespace vyn::fxtest {
namespace {

TEST(PluginDisplays, MatchTheTable)
{
    for (const DisplayCase& c : display_cases()) {
        std::vector<std::string> args = {plugin_path(c.plugin)};
        args.insert(args.end(), c.actions.begin(), c.actions.end());
        args.push_back("--show");
        HostRun run = run_vsthost(args);
        ASSERT_EQ(run.exit_code, 0) << run.err;
        std::string settings;
        for (const std::string& a : c.actions)
            settings += a + " ";
        EXPECT_EQ(parameter_field(run.out, c.parameter, "display"), c.display)
            << c.plugin << " " << settings << "parameter " << c.parameter;
    }
}

}  // namespace
}  // namespace vyn::fxtest
