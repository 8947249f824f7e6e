// The parser and the build engine with scripted file times and commands.
#include <gtest/gtest.h>

#include <sstream>

#include "kit/make/builder.h"
#include "kit/make/expand.h"
#include "kit/make/makefile.h"
#include "kit/make/system.h"

namespace vyn::make {
namespace {

class FakeFiles : public FileTimes {
public:
    std::map<std::string, std::int64_t> times;
    std::optional<std::int64_t> time(const std::string& path) override
    {
        auto it = times.find(path);
        if (it == times.end())
            return std::nullopt;
        return it->second;
    }
};

// Records each command; "touch X" gives X a new time, "fail N" exits with N.
class FakeRunner : public CommandRunner {
public:
    explicit FakeRunner(FakeFiles& files) : files_(files) {}
    std::vector<std::string> ran;
    std::optional<int> run(const std::string& command, std::string&) override
    {
        ran.push_back(command);
        if (command.rfind("touch ", 0) == 0)
            files_.times[command.substr(6)] = ++clock_;
        if (command.rfind("fail ", 0) == 0)
            return std::stoi(command.substr(5));
        return 0;
    }
    std::int64_t clock_ = 100;

private:
    FakeFiles& files_;
};

struct BuildRun {
    int status = 0;
    std::string out, err;
    std::vector<std::string> ran;
};

Makefile parse_ok(const std::string& text, const ParseContext& context = {})
{
    Makefile m;
    auto e = parse_makefile(text, "Makefile", context, m);
    EXPECT_FALSE(e) << (e ? e->message : "");
    return m;
}

BuildRun build(const std::string& text, FakeFiles& files, const std::vector<std::string>& goals = {},
          BuildOptions options = {})
{
    Makefile m = parse_ok(text);
    FakeRunner runner(files);
    std::ostringstream out, err;
    std::map<std::string, std::string> none;
    Builder b(m, none, none, options, files, runner, out, err);
    BuildRun r;
    r.status = b.make_goals(goals);
    r.out = out.str();
    r.err = err.str();
    r.ran = runner.ran;
    return r;
}

std::string value_of(const Makefile& m, const std::string& name, const ParseContext& context = {})
{
    Scope scope{&m, &context.overrides, &context.environment, nullptr};
    return expand("$(" + name + ")", scope).text;
}

// The shape the IDE writes, with drive-letter paths in targets and prerequisites.
const char* kGenerated =
    "# Tavra Makefile for project hello\n"
    "CFLAGS=-Ic:\\vyn\\include  -g2 \n"
    "CC=c:\\vyn\\bin\\vyn.exe\n"
    "OBJS=\\\n\thello.obj \\\n\thello.res \\\n\tutil.obj\n"
    "\nLIBS=\n"
    "\nhello.exe:\t$(OBJS) Makefile\n"
    "\tc:\\vyn\\bin\\vynlnk  -subsystem windows -o hello.exe $(OBJS) $(LIBS)\n"
    "\n# Build hello.c\nHELLO_C=\\\n\tc:\\vyn\\include\\windows.h\\\n\tc:\\work\\hello\\hello.h\\\n\n"
    "hello.obj: $(HELLO_C) c:\\work\\hello\\hello.c\n\t$(CC) -c $(CFLAGS) c:\\work\\hello\\hello.c\n"
    "\n# Build hello.res\nhello.res:\tc:\\work\\hello\\hello.rc\n\tvrc -Ic:\\work\\hello c:\\work\\hello\\hello.rc\n"
    "\n# Build util.c\nUTIL_C=\\\n\tc:\\work\\hello\\util.h\\\n\n"
    "util.obj: $(UTIL_C) c:\\work\\hello\\util.c\n\t$(CC) -c $(CFLAGS) c:\\work\\hello\\util.c\n\n";

TEST(MakefileParser, ReadsTheGeneratedShape)
{
    Makefile m = parse_ok(kGenerated);
    EXPECT_EQ(m.default_target, "hello.exe");
    EXPECT_EQ(value_of(m, "OBJS"), "hello.obj hello.res util.obj");
    EXPECT_EQ(value_of(m, "CFLAGS"), "-Ic:\\vyn\\include  -g2");
    EXPECT_EQ(m.rules.at("hello.exe").prerequisites,
              (std::vector<std::string>{"hello.obj", "hello.res", "util.obj", "Makefile"}));
    EXPECT_EQ(m.rules.at("hello.obj").prerequisites,
              (std::vector<std::string>{"c:\\vyn\\include\\windows.h", "c:\\work\\hello\\hello.h",
                                        "c:\\work\\hello\\hello.c"}));
    EXPECT_EQ(m.rules.at("hello.res").commands.at(0).text, "vrc -Ic:\\work\\hello c:\\work\\hello\\hello.rc");
    EXPECT_EQ(m.rules.at("util.obj").commands.size(), 1u);
}

TEST(MakefileParser, DriveLetterTargetsAndColonsInReferences)
{
    Makefile m = parse_ok("c:\\w\\a.obj d:/x/b.obj: c:\\w\\a.c\n\techo\nSRC=a.c b.c\nall: $(SRC:.c=.obj)\n");
    EXPECT_EQ(m.default_target, "c:\\w\\a.obj");
    EXPECT_EQ(m.rules.at("d:/x/b.obj").prerequisites, std::vector<std::string>{"c:\\w\\a.c"});
    EXPECT_EQ(m.rules.at("all").prerequisites, (std::vector<std::string>{"a.obj", "b.obj"}));
}

TEST(MakefileParser, MacroFlavoursAndPrecedence)
{
    ParseContext context;
    context.overrides["FROMCMD"] = "cmd";
    context.environment["FROMENV"] = "env";
    context.environment["BOTH"] = "env";
    Makefile m = parse_ok("A=1\nB = $(A) # trailing comment\nA=2\nC:=$(A)\nA=3\nC+=more\nD?=first\nD?=second\n"
                          "FROMCMD=file\nBOTH=file\nE=x\\#y\n",
                          context);
    EXPECT_EQ(value_of(m, "B", context), "3");
    EXPECT_EQ(value_of(m, "C", context), "2 more");
    EXPECT_EQ(value_of(m, "D", context), "first");
    EXPECT_EQ(value_of(m, "FROMCMD", context), "cmd");
    EXPECT_EQ(value_of(m, "FROMENV", context), "env");
    EXPECT_EQ(value_of(m, "BOTH", context), "file");
    EXPECT_EQ(value_of(m, "E", context), "x#y");
}

TEST(MakefileParser, ErrorsNameTheLine)
{
    Makefile m;
    auto e = parse_makefile("A=1\n\nthis is not a rule\n", "Makefile", {}, m);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->line, 3);
    EXPECT_EQ(e->message, "missing separator");
    e = parse_makefile("\techo early\n", "Makefile", {}, m);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->message, "recipe commences before first target");
    Makefile loop = parse_ok("A=$(B)\nB=$(A)\n");
    EXPECT_FALSE(expand("$(A)", Scope{&loop, nullptr, nullptr, nullptr}).error.empty());
    // Each level doubles the work though the text stays empty.
    std::string doubling;
    for (char c = 'A'; c < 'Z'; ++c)
        doubling += std::string(1, c) + "=$(" + std::string(1, char(c + 1)) + ")$(" + std::string(1, char(c + 1)) + ")\n";
    Makefile wide = parse_ok(doubling + "Z=\n");
    EXPECT_EQ(expand("$(A)", Scope{&wide, nullptr, nullptr, nullptr}).error, "macro expansion too long");
}

TEST(MakeEngine, UpToDateTargetsAreNotRebuilt)
{
    FakeFiles files;
    files.times = {{"a.c", 1}, {"a.obj", 2}, {"b.c", 5}, {"b.obj", 3}, {"prog", 4}};
    BuildRun r = build("prog: a.obj b.obj\n\ttouch prog\n\techo $?\n%.obj: %.c\n\ttouch $@\n", files);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.ran, (std::vector<std::string>{"touch b.obj", "touch prog", "echo b.obj"}));
    r = build("prog: a.obj b.obj\n\ttouch prog\n%.obj: %.c\n\ttouch $@\n", files);
    EXPECT_TRUE(r.ran.empty());
    EXPECT_EQ(r.out, "make: 'prog' is up to date.\n");
}

TEST(MakeEngine, AutomaticMacrosAndPrefixes)
{
    FakeFiles files;
    files.times = {{"src/x.c", 1}, {"h.h", 1}};
    BuildRun r = build(".c.obj:\n\t@cc $< -o $@ stem=$*\nx.obj: h.h\nsrc/x.obj: h.h\n\t-@fail 4\n\techo $(@F) $(@D) $* $^\n",
                  files, {"src/x.obj"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.ran, (std::vector<std::string>{"fail 4", "echo x.obj src src/x h.h"}));
    EXPECT_EQ(r.out, "echo x.obj src src/x h.h\n");
    EXPECT_EQ(r.err, "make: [src/x.obj] Error 4 (ignored)\n");
    files.times = {{"x.c", 1}, {"h.h", 1}};
    r = build(".c.obj:\n\t@cc $< -o $@ stem=$*\nx.obj: h.h\n", files, {"x.obj"});
    EXPECT_EQ(r.ran, (std::vector<std::string>{"cc x.c -o x.obj stem=x"}));
    EXPECT_EQ(r.out, "");
}

TEST(MakeEngine, FailingCommandStopsWithItsStatus)
{
    FakeFiles files;
    BuildRun r = build("all: one two\none:\n\tfail 3\n\techo never\ntwo:\n\ttouch two\n", files);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.ran, std::vector<std::string>{"fail 3"});
    EXPECT_EQ(r.err, "make: *** [one] Error 3\n");
}

TEST(MakeEngine, KeepGoingMakesWhatDoesNotDependOnTheFailure)
{
    FakeFiles files;
    BuildOptions k;
    k.keep_going = true;
    BuildRun r = build("all: one two\none: bad\n\ttouch one\nbad:\n\tfail 1\ntwo:\n\ttouch two\n", files, {}, k);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.ran, (std::vector<std::string>{"fail 1", "touch two"}));
    EXPECT_EQ(r.err, "make: *** [bad] Error 1\nmake: Target 'all' not remade because of errors.\n");
}

TEST(MakeEngine, DryRunPrintsEveryCommandAndRunsNone)
{
    FakeFiles files;
    BuildOptions n;
    n.dry_run = true;
    BuildRun r = build("p: q\n\t@touch p\nq:\n\ttouch q\n", files, {}, n);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.ran.empty());
    EXPECT_EQ(r.out, "touch q\ntouch p\n");
}

TEST(MakeEngine, MissingPrerequisiteWithoutRule)
{
    FakeFiles files;
    BuildRun r = build("p: nothere.c\n\ttouch p\n", files);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "make: *** No rule to make target 'nothere.c', needed by 'p'.  Stop.\n");
    EXPECT_TRUE(r.ran.empty());
}

TEST(MakeEngine, PhonyTargetsAlwaysRunAndCyclesAreDropped)
{
    FakeFiles files;
    files.times = {{"clean", 1}, {"a", 5}, {"b", 5}};
    BuildRun r = build(".PHONY: clean\nclean:\n\techo cleaning\na: b\nb: a\n", files, {"clean", "a"});
    EXPECT_EQ(r.ran, std::vector<std::string>{"echo cleaning"});
    EXPECT_EQ(r.err, "make: Circular b <- a dependency dropped.\n");
}

TEST(MakeEngine, AnInferenceRuleIsUsedOnceInAChain)
{
    // "%: %.x" would otherwise make a.x from a.x.x from a.x.x.x ... while such files exist.
    FakeFiles files;
    std::string name = "a";
    for (int i = 0; i < 5000; ++i, name += ".x")
        files.times[name] = 1;
    BuildRun r = build("%: %.x\n\ttouch $@\n", files, {"a"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "make: 'a' is up to date.\n");
}

TEST(MakeEngine, ExplicitChainsDeeperThanTheLimitStop)
{
    FakeFiles files;
    std::string text;
    for (int i = 0; i < 1500; ++i)
        text += "t" + std::to_string(i) + ": t" + std::to_string(i + 1) + "\n";
    BuildRun r = build(text, files);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "make: *** Prerequisites of 't999' nest deeper than 1000 levels.  Stop.\n");
}

TEST(CommandLaunch, ShellOnlyWhenItsSyntaxIsUsed)
{
    EXPECT_EQ(choose_launch("c:\\vyn\\bin\\vyn.exe -c -Ic:\\vyn\\include c:\\w\\a.c", true), Launch::Direct);
    EXPECT_EQ(choose_launch("cc a.c > out.txt", true), Launch::Shell);
    EXPECT_EQ(choose_launch("cd sub", true), Launch::Shell);
    EXPECT_EQ(choose_launch("del a.obj", false), Launch::Shell);
    EXPECT_EQ(choose_launch("vynlnk -o a.exe a.obj", false), Launch::Direct);
}

}  // namespace
}  // namespace vyn::make
