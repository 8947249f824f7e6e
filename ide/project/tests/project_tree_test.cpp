// The project tree's contents and order, and what its context menu's
// commands do on each kind of node.
#include "ide/project/project_tree.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace vyn::project;

Project calc()
{
    Project p;
    p.name = "calc";
    p.project_path = "C:\\work";
    p.sources_dir = "C:\\work\\src";
    p.files = {"main.c", "calc.h", "calc.rc", "ops.C"};
    return p;
}

std::map<std::string, std::string> sources = {
    {"C:\\work\\src\\main.c", "#include \"calc.h\"\r\nint main(void)\r\n{\r\n    return add(1, 2);\r\n}\r\n"},
    {"C:\\work\\src\\ops.C", "#include \"calc.h\"\nint add(int a, int b) { return a + b; }\nint sub(int a, int b)\n"
                              "{ return a - b; }\nint address_of_add = 0;\n"},
    {"C:\\work\\src\\calc.h", "int add(int, int);\n"},
};

std::optional<std::string> read(const std::string& path)
{
    auto found = sources.find(path);
    return found == sources.end() ? std::nullopt : std::optional<std::string>(found->second);
}

std::optional<Project> load(const std::string& name)
{
    if (name != "tool")
        return std::nullopt;
    Project p;
    p.name = "tool";
    p.project_path = "D:\\tool";
    p.files = {"tool.c", "E:\\shared\\log.c"};
    return p;
}

std::vector<std::string> texts(const std::vector<TreeNode>& nodes)
{
    std::vector<std::string> t;
    for (const TreeNode& n : nodes)
        t.push_back(n.text);
    return t;
}

using Texts = std::vector<std::string>;

TEST(ProjectTree, ProjectsInListOrderFilesInFileOrderFunctionsOfTheOpenProjectsSources)
{
    auto tree = build_project_tree({"alpha", "calc", "tool"}, calc(), load, read);
    ASSERT_EQ(texts(tree), (Texts{"alpha", "calc", "tool"}));
    EXPECT_FALSE(tree[0].open);
    EXPECT_TRUE(tree[0].children.empty());  // its key could not be read
    const TreeNode& open = tree[1];
    EXPECT_TRUE(open.open);
    ASSERT_EQ(texts(open.children), (Texts{"main.c", "calc.h", "calc.rc", "ops.C"}));
    EXPECT_EQ(open.children[0].path, "C:\\work\\src\\main.c");
    EXPECT_EQ(texts(open.children[0].children), Texts{"main"});
    EXPECT_EQ(open.children[0].children[0].line, 2);
    EXPECT_TRUE(open.children[1].children.empty());  // a header lists no functions
    EXPECT_TRUE(open.children[2].children.empty());
    EXPECT_EQ(texts(open.children[3].children), (Texts{"add", "sub"}));
    EXPECT_EQ(open.children[3].children[1].line, 3);
    // Another project shows its files only, with their paths.
    const TreeNode& other = tree[2];
    EXPECT_EQ(texts(other.children), (Texts{"tool.c", "E:\\shared\\log.c"}));
    EXPECT_EQ(other.children[0].path, "D:\\tool\\tool.c");
    EXPECT_EQ(other.children[1].path, "E:\\shared\\log.c");
    EXPECT_TRUE(other.children[0].children.empty());
}

TEST(ProjectTree, NoProjectOpenShowsEveryProjectClosed)
{
    auto tree = build_project_tree({"calc", "tool"}, Project{}, load, read);
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_FALSE(tree[0].open || tree[1].open);
    EXPECT_EQ(build_project_tree({}, calc(), load, read).size(), 0u);
}

TEST(ProjectTree, ContextCommandsOnTheOpenProjectsNodes)
{
    auto tree = build_project_tree({"calc"}, calc(), load, read);
    const TreeNode& project = tree[0];
    const TreeNode& file = project.children[3];
    const TreeNode& function = file.children[0];

    TreeAction a = tree_action(function, TreeCommand::Definition, "calc");
    EXPECT_EQ(a.kind, TreeAction::OpenFile);
    EXPECT_EQ(a.path, "C:\\work\\src\\ops.C");
    EXPECT_EQ(a.line, 2);
    a = tree_action(function, TreeCommand::Usage, "calc");
    EXPECT_EQ(a.kind, TreeAction::ListUsage);
    EXPECT_EQ(a.symbol, "add");
    EXPECT_FALSE(a.activate_first);
    EXPECT_EQ(tree_action(file, TreeCommand::Usage, "calc").symbol, "ops.C");
    EXPECT_EQ(tree_action(file, TreeCommand::Open, "calc").kind, TreeAction::OpenFile);
    EXPECT_EQ(tree_action(file, TreeCommand::Open, "calc").line, 1);
    EXPECT_EQ(tree_action(project, TreeCommand::Open, "calc").kind, TreeAction::OpenAllFiles);
    EXPECT_EQ(tree_action(project, TreeCommand::Properties, "calc").kind, TreeAction::EditSettings);
    a = tree_action(file, TreeCommand::Properties, "calc", [](const std::string& p) { return "facts of " + p; });
    EXPECT_EQ(a.kind, TreeAction::ShowText);
    EXPECT_EQ(a.text, "C:\\work\\src\\ops.C\nProject: calc\nfacts of C:\\work\\src\\ops.C");
    EXPECT_EQ(tree_action(function, TreeCommand::Properties, "calc").text, "add\nFile: C:\\work\\src\\ops.C\nLine: 2");
    EXPECT_EQ(tree_action(file, TreeCommand::InsertDeleteFiles, "calc").kind, TreeAction::EditFiles);
    EXPECT_EQ(tree_action(function, TreeCommand::Export, "calc").kind, TreeAction::ExportProject);
    EXPECT_EQ(tree_action(function, TreeCommand::Export, "calc").project, "calc");
    // Already open: nothing to activate. Nothing to define or use on a project.
    EXPECT_EQ(tree_action(project, TreeCommand::Activate, "calc").kind, TreeAction::None);
    EXPECT_EQ(tree_action(project, TreeCommand::Definition, "calc").kind, TreeAction::None);
    EXPECT_EQ(tree_action(project, TreeCommand::Usage, "calc").kind, TreeAction::None);
    EXPECT_EQ(tree_action(file, TreeCommand::Definition, "calc").kind, TreeAction::None);
}

TEST(ProjectTree, CommandsOnAnotherProjectOpenItFirst)
{
    auto tree = build_project_tree({"calc", "tool"}, calc(), load, read);
    const TreeNode& tool = tree[1];
    TreeAction a = tree_action(tool, TreeCommand::Activate, "calc");
    EXPECT_EQ(a.kind, TreeAction::ActivateProject);
    EXPECT_EQ(a.project, "tool");
    for (TreeCommand c : {TreeCommand::Open, TreeCommand::Properties, TreeCommand::InsertDeleteFiles}) {
        a = tree_action(tool, c, "calc");
        EXPECT_TRUE(a.activate_first);
        EXPECT_EQ(a.project, "tool");
    }
    EXPECT_TRUE(tree_action(tool.children[0], TreeCommand::Usage, "calc").activate_first);
    EXPECT_FALSE(tree_action(tool, TreeCommand::Export, "calc").activate_first);  // exports from its key
    EXPECT_EQ(tree_action(tool, TreeCommand::Activate, "").kind, TreeAction::ActivateProject);
}

TEST(SymbolUsage, WholeWordsInFileAndLineOrderAndBackFromTheResultsLine)
{
    auto hits = symbol_usage("add", {"C:\\work\\src\\main.c", "C:\\work\\src\\nowhere.c", "C:\\work\\src\\ops.C"}, read);
    ASSERT_EQ(hits.size(), 2u);  // not address_of_add
    EXPECT_EQ(hits[0].path, "C:\\work\\src\\main.c");
    EXPECT_EQ(hits[0].line, 4);
    EXPECT_EQ(hits[0].text, "    return add(1, 2);");
    EXPECT_EQ(hits[1].line, 2);
    std::string line = usage_line(hits[0]);
    EXPECT_EQ(line, "C:\\work\\src\\main.c(4):     return add(1, 2);");
    auto back = parse_usage_line(line);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->path, hits[0].path);
    EXPECT_EQ(back->line, 4);
    EXPECT_EQ(back->text, hits[0].text);
    auto odd = parse_usage_line("C:\\a (x)\\f(1).c(12): f(1)");
    ASSERT_TRUE(odd.has_value());
    EXPECT_EQ(odd->path, "C:\\a (x)\\f(1).c");  // "(1)." is no line number
    EXPECT_EQ(odd->line, 12);
    EXPECT_FALSE(parse_usage_line("Usage of add: 2 hits."));
    EXPECT_FALSE(parse_usage_line("(3): no file"));
    EXPECT_EQ(symbol_usage("calc.h", {"C:\\work\\src\\ops.C"}, read).size(), 1u);
    EXPECT_TRUE(symbol_usage("", {"C:\\work\\src\\ops.C"}, read).empty());
}

}  // namespace
