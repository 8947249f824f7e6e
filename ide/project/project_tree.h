// The contents of the project tree window "Projets" and what the commands of
// its context menu "ViewTreeContext" do on each kind of node.
//
// The tree holds one node per known project, in the order of the project
// list. Every project lists its files in the order of its file list; the
// open project's C sources also list the functions they define, in the
// order of the file, so that Definition and Usage can reach them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ide/project/project.h"

namespace vyn::project {

enum class TreeNodeKind { Project, File, Function };

struct TreeNode {
    TreeNodeKind kind = TreeNodeKind::Project;
    std::string text;     // what the tree shows
    std::string project;  // the project the node belongs to
    std::string file;     // File, Function: the name as in the file list
    std::string path;     // File, Function: the file's full path
    int line = 0;         // Function: 1-based line of its header
    bool open = false;    // Project: the open project
    std::vector<TreeNode> children;
};

// A known project's record from its key; nothing when it cannot be read.
using ProjectLoader = std::function<std::optional<Project>(const std::string& name)>;
// A source's text (the editor's when it is loaded); nothing when unreadable.
using TextReader = std::function<std::optional<std::string>(const std::string& path)>;

std::vector<TreeNode> build_project_tree(const std::vector<std::string>& projects, const Project& open,
                                         const ProjectLoader& load, const TextReader& read);

// The context menu's commands, in the menu's order.
enum class TreeCommand { Usage, Definition, Open, Properties, Activate, InsertDeleteFiles, Export };

struct TreeAction {
    enum Kind {
        None,           // the command does nothing on this node (its item is grayed)
        OpenFile,       // path at line (1 for the top)
        OpenAllFiles,   // every file of the project
        ListUsage,      // the lines of the project's files that use symbol
        ShowText,       // an information message: text
        EditSettings,   // the project settings pages
        ActivateProject,
        EditFiles,      // the Add/Delete files dialog
        ExportProject,
    };
    Kind kind = None;
    std::string project;
    bool activate_first = false;  // the command needs its project open and it is not
    std::string path;
    int line = 1;
    std::string symbol;
    std::string text;
};

// What command does on node while open_project is open (empty: none).
// file_facts describes a file for Properties (its size and time).
TreeAction tree_action(const TreeNode& node, TreeCommand command, const std::string& open_project,
                       const std::function<std::string(const std::string& path)>& file_facts = {});

// One use of a symbol in a project file.
struct UsageHit {
    std::string path;
    int line = 0;  // 1-based
    std::string text;
};

// Every line of the files that holds symbol as a whole word (not as a part
// of a longer identifier), in file and line order.
std::vector<UsageHit> symbol_usage(const std::string& symbol, const std::vector<std::string>& paths,
                                   const TextReader& read);

// The results line of a hit, "%s(%d): %s", and the hit read back from one.
std::string usage_line(const UsageHit& hit);
std::optional<UsageHit> parse_usage_line(const std::string& line);

}  // namespace vyn::project
