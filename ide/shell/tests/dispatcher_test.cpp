#include "ide/shell/dispatcher.h"

#include <gtest/gtest.h>

#include "ide/command_ids.h"

namespace {

using namespace vyn::shell;

struct Harness {
    std::vector<KeyBinding> keys = default_key_bindings();
    bool debugging = false;
    bool has_document = false;
    int modules = 0;
    std::vector<std::pair<std::string, int>> calls;
    Dispatcher dispatcher{keys,
                          {[this] { return debugging; }, [this] { return has_document; }, [] { return 7; },
                           [this] { return modules; }},
                          {[this](int c, CommandParameter) { calls.emplace_back("utility", c); },
                           [this](int c, CommandParameter) { calls.emplace_back("utility window", c); },
                           [this](int c, CommandParameter) { calls.emplace_back("module", c); }}};

    Harness()
    {
        for (int command : {CM_FIND, CM_NEW, CM_GREP, CM_MAKE, CM_OPEN_NAMED, CM_SAVE, 340})
            dispatcher.add(command, [this](int c, CommandParameter) { calls.emplace_back("table", c); });
    }
};

TEST(Dispatcher, WithoutADocumentOnlyCommandsThatAllowItRun)
{
    Harness h;
    EXPECT_EQ(h.dispatcher.dispatch(CM_FIND, 0), Route::ignored);
    EXPECT_EQ(h.dispatcher.dispatch(CM_SAVE, 0), Route::ignored);
    for (int command : {CM_NEW, CM_GREP, CM_MAKE, CM_OPEN_NAMED})
        EXPECT_EQ(h.dispatcher.dispatch(command, 0), Route::handled) << command;
    h.has_document = true;
    EXPECT_EQ(h.dispatcher.dispatch(CM_FIND, 0), Route::handled);
    EXPECT_EQ(h.calls.size(), 5u);
}

TEST(Dispatcher, FunctionKeysAreRemappedOnlyWhileDebugging)
{
    Harness h;
    h.has_document = true;
    EXPECT_EQ(h.dispatcher.dispatch(888 + 0x74, 0), Route::default_handling);  // F5, not debugging
    h.debugging = true;
    EXPECT_EQ(h.dispatcher.dispatch(888 + 0x74, 0), Route::handled);
    EXPECT_EQ(h.calls.back(), (std::pair<std::string, int>{"table", 340}));
    EXPECT_EQ(h.dispatcher.last_command().command, 340);
    EXPECT_EQ(h.dispatcher.last_command().view, 7);
}

TEST(Dispatcher, RangesGoToTheirOwners)
{
    Harness h;
    h.has_document = true;
    EXPECT_EQ(h.dispatcher.dispatch(1300, 0), Route::utility);
    EXPECT_EQ(h.dispatcher.dispatch(1312, 0), Route::utility);
    EXPECT_EQ(h.dispatcher.dispatch(1313, 0), Route::default_handling);
    EXPECT_EQ(h.dispatcher.dispatch(3501, 0), Route::utility_window);
    EXPECT_EQ(h.dispatcher.dispatch(3500, 0), Route::default_handling);
    EXPECT_EQ(h.dispatcher.dispatch(400, 0), Route::default_handling);  // no modules outside debugging
    h.debugging = true;
    h.modules = 2;
    EXPECT_EQ(h.dispatcher.dispatch(3501, 0), Route::default_handling);
    EXPECT_EQ(h.dispatcher.dispatch(401, 0), Route::debug_module);
    EXPECT_EQ(h.dispatcher.dispatch(402, 0), Route::default_handling);
}

TEST(Dispatcher, TheParameterReachesTheHandler)
{
    std::vector<KeyBinding> keys = default_key_bindings();
    CommandParameter seen = 0;
    Dispatcher d(keys, {[] { return false; }, [] { return true; }, [] { return 0; }, [] { return 0; }}, {});
    d.add(CM_COPY, [&](int, CommandParameter p) { seen = p; });
    d.dispatch(CM_COPY, kFromContextMenu);
    EXPECT_EQ(seen, kFromContextMenu);
    EXPECT_EQ(d.last_command().parameter, kFromContextMenu);
}

}  // namespace
