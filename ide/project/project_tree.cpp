#include "ide/project/project_tree.h"

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/editor/function_finder.h"
#include "ide/project/project_files.h"

namespace vyn::project {

using vyn::format;
namespace winpath = vyn::winpath;

namespace {

bool is_c_source(const std::string& file) { return vyn::equals_nocase(winpath::extension(file), ".c"); }

TreeNode file_node(const Project& p, const std::string& file, bool with_functions, const TextReader& read)
{
    TreeNode node;
    node.kind = TreeNodeKind::File;
    node.text = file;
    node.project = p.name;
    node.file = file;
    node.path = project_file_path(p, file);
    if (!with_functions || !is_c_source(file))
        return node;
    std::optional<std::string> text = read(node.path);
    if (!text)
        return node;
    for (const vyn::editor::FunctionRecord& f : vyn::editor::find_functions_in_text(*text)) {
        TreeNode function;
        function.kind = TreeNodeKind::Function;
        function.text = f.name;
        function.project = p.name;
        function.file = file;
        function.path = node.path;
        function.line = f.header_line + 1;
        node.children.push_back(std::move(function));
    }
    return node;
}

TreeNode project_node(const Project& p, bool open, const TextReader& read)
{
    TreeNode node;
    node.kind = TreeNodeKind::Project;
    node.text = p.name;
    node.project = p.name;
    node.open = open;
    for (const std::string& file : p.files)
        node.children.push_back(file_node(p, file, open, read));
    return node;
}

bool is_identifier_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// True when text holds symbol with no identifier character on either side.
bool holds_word(const std::string& text, const std::string& symbol)
{
    for (std::size_t at = text.find(symbol); at != std::string::npos; at = text.find(symbol, at + 1)) {
        bool before = at > 0 && is_identifier_char(text[at - 1]);
        std::size_t end = at + symbol.size();
        bool after = end < text.size() && is_identifier_char(text[end]);
        if (!before && !after)
            return true;
    }
    return false;
}

}  // namespace

std::vector<TreeNode> build_project_tree(const std::vector<std::string>& projects, const Project& open,
                                         const ProjectLoader& load, const TextReader& read)
{
    std::vector<TreeNode> tree;
    for (const std::string& name : projects) {
        if (open.is_open() && name == open.name) {
            tree.push_back(project_node(open, true, read));
            continue;
        }
        std::optional<Project> p = load(name);
        if (!p) {
            Project empty;
            empty.name = name;
            tree.push_back(project_node(empty, false, read));
            continue;
        }
        p->name = name;
        tree.push_back(project_node(*p, false, read));
    }
    return tree;
}

TreeAction tree_action(const TreeNode& node, TreeCommand command, const std::string& open_project,
                       const std::function<std::string(const std::string&)>& file_facts)
{
    TreeAction a;
    a.project = node.project;
    bool is_open = !open_project.empty() && node.project == open_project;
    switch (command) {
    case TreeCommand::Usage:
        if (node.kind == TreeNodeKind::Project)
            break;
        a.kind = TreeAction::ListUsage;
        a.symbol = node.kind == TreeNodeKind::Function ? node.text : std::string(winpath::base_name(node.file));
        a.activate_first = !is_open;
        break;
    case TreeCommand::Definition:
        if (node.kind != TreeNodeKind::Function)
            break;
        a.kind = TreeAction::OpenFile;
        a.path = node.path;
        a.line = node.line;
        break;
    case TreeCommand::Open:
        if (node.kind == TreeNodeKind::Project) {
            a.kind = TreeAction::OpenAllFiles;
            a.activate_first = !is_open;
        } else {
            a.kind = TreeAction::OpenFile;
            a.path = node.path;
            a.line = node.kind == TreeNodeKind::Function ? node.line : 1;
        }
        break;
    case TreeCommand::Properties:
        if (node.kind == TreeNodeKind::Project) {
            a.kind = TreeAction::EditSettings;
            a.activate_first = !is_open;
        } else if (node.kind == TreeNodeKind::File) {
            a.kind = TreeAction::ShowText;
            a.text = format("%s\nProject: %s", node.path.c_str(), node.project.c_str());
            if (file_facts)
                a.text += "\n" + file_facts(node.path);
        } else {
            a.kind = TreeAction::ShowText;
            a.text = format("%s\nFile: %s\nLine: %d", node.text.c_str(), node.path.c_str(), node.line);
        }
        break;
    case TreeCommand::Activate:
        if (!is_open)
            a.kind = TreeAction::ActivateProject;
        break;
    case TreeCommand::InsertDeleteFiles:
        a.kind = TreeAction::EditFiles;
        a.activate_first = !is_open;
        break;
    case TreeCommand::Export: a.kind = TreeAction::ExportProject; break;
    }
    return a;
}

std::vector<UsageHit> symbol_usage(const std::string& symbol, const std::vector<std::string>& paths,
                                   const TextReader& read)
{
    std::vector<UsageHit> hits;
    if (symbol.empty())
        return hits;
    for (const std::string& path : paths) {
        std::optional<std::string> text = read(path);
        if (!text)
            continue;
        int number = 0;
        for (std::string line : vyn::split(*text, '\n')) {
            ++number;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (holds_word(line, symbol))
                hits.push_back({path, number, line});
        }
    }
    return hits;
}

std::string usage_line(const UsageHit& hit) { return format("%s(%d): %s", hit.path.c_str(), hit.line, hit.text.c_str()); }

std::optional<UsageHit> parse_usage_line(const std::string& line)
{
    for (std::size_t open = line.find('('); open != std::string::npos; open = line.find('(', open + 1)) {
        std::size_t digits = open + 1;
        while (digits < line.size() && std::isdigit(static_cast<unsigned char>(line[digits])))
            ++digits;
        if (digits == open + 1 || digits - open > 7 || line.compare(digits, 3, "): ") != 0)
            continue;
        UsageHit hit;
        hit.path = line.substr(0, open);
        hit.line = std::stoi(line.substr(open + 1, digits - open - 1));
        hit.text = line.substr(digits + 3);
        if (hit.path.empty() || hit.line < 1)
            return std::nullopt;
        return hit;
    }
    return std::nullopt;
}

}  // namespace vyn::project
