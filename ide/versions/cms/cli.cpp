#include "ide/versions/cms/cli.h"

#include <cstdio>
#include <cstdlib>

#include "ide/versions/file_io.h"
#include "ide/versions/releases.h"
#include "ide/versions/store_layout.h"

namespace vyn::versions::cms {

Arguments parse_arguments(const std::vector<std::string>& args, const std::string& flag_letters,
                          const std::string& value_letters)
{
    Arguments out;
    bool options_done = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (options_done || a.size() < 2 || a[0] != '-') {
            out.operands.push_back(a);
            continue;
        }
        if (a == "--") {
            options_done = true;
            continue;
        }
        char letter = a[1];
        if (value_letters.find(letter) != std::string::npos) {
            std::string v;
            if (a.size() > 2) {
                v = a.substr(2);
            } else if (i + 1 < args.size()) {
                v = args[++i];
            } else {
                out.error = "option -" + std::string(1, letter) + " needs a value";
                return out;
            }
            out.values[letter] = v;
            if (letter == 'n')
                out.repeated_n.push_back(v);
        } else if (flag_letters.find(letter) != std::string::npos && a.size() == 2) {
            out.flags[letter]++;
        } else {
            out.error = "unknown option " + a;
            return out;
        }
    }
    return out;
}

void ConsoleUi::tell(const std::string& message)
{
    last_ = message;
    std::printf("%s\n", message.c_str());
    std::fflush(stdout);
}

bool ConsoleUi::ask(const std::string& question)
{
    bool yes = assume_yes_ || question == "Cms directory does not exist. Create it?";
    std::printf("%s %s\n", question.c_str(), yes ? "yes" : "no");
    std::fflush(stdout);
    return yes;
}

std::string system_user()
{
    const char* names[] = {"USERNAME", "USER", "LOGNAME"};
    for (const char* n : names) {
        const char* v = std::getenv(n);
        if (v && *v) {
            std::string user(v);
            if (user.size() > 48)
                user.resize(48);
            return user;
        }
    }
    return "unknown";
}

StoreContext make_context(const Arguments& args)
{
    StoreContext context;
    context.working_directory = current_directory();
    ProjectSettings project;
    if (args.has('P')) {
        auto registry = platform::open_registry();
        project = read_project_settings(*registry, project_key(args.value('P')));
        context.options = project.options;
    }
    std::string cms = project.cms_directory.empty() ? default_cms_directory(context.working_directory)
                                                    : project.cms_directory;
    context.cms_directory = args.value('d', cms);
    context.user = args.value('u', project.user.empty() ? system_user() : project.user);
    if (context.user.size() > 48)
        context.user.resize(48);
    // A fixed clock, for scripted sessions that put many revisions a second.
    if (const char* date = std::getenv("VYNCMS_DATE"))
        context.date = date;
    if (args.has('R'))
        context.options.read_only_files = true;
    return context;
}

unsigned project_get_options(const Arguments& args)
{
    if (!args.has('P'))
        return 0;
    auto registry = platform::open_registry();
    return read_project_settings(*registry, project_key(args.value('P'))).get_options;
}

unsigned project_put_options(const Arguments& args)
{
    // Without a project, the options a new project starts with: "Keep source".
    if (!args.has('P'))
        return ProjectSettings{}.put_options;
    auto registry = platform::open_registry();
    return read_project_settings(*registry, project_key(args.value('P'))).put_options;
}

std::string project_manager(const Arguments& args)
{
    if (!args.has('P'))
        return {};
    auto registry = platform::open_registry();
    return read_project_settings(*registry, project_key(args.value('P'))).manager;
}

int usage(const char* message)
{
    if (message)
        std::fprintf(stderr, "vyncms: %s\n", message);
    std::fprintf(stderr,
                 "usage:\n"
                 "  vyncms checksum FILE\n"
                 "  vyncms diff [-e | -r REPORT | -p PATCH] [-b] [-i] [-y] FILE1 FILE2\n"
                 "  vyncms patch [-y] SCRIPT SOURCE OUTPUT\n"
                 "  vyncms merge [-k CHANGES] [-l] [-y] FILE1 FILE2 OUTPUT\n"
                 "  vyncms put [-d CMSDIR] [-u USER] [-m MESSAGE] [-r REV] [-n NAME] [-k | -e] [-l] [-q] [-y] [-R]\n"
                 "             FILE\n"
                 "  vyncms get [-d CMSDIR] [-u USER] [-r REV-OR-NAME] [-l | -U] [-f] [-q]\n"
                 "             [-D DATE] [-w AUTHOR] [-s STATE] FILE\n"
                 "  vyncms lock [-d CMSDIR] [-u USER] [-r REV] FILE\n"
                 "  vyncms unlock [-d CMSDIR] [-u USER] [-r REV] FILE\n"
                 "  vyncms log [-d CMSDIR] FILE\n"
                 "  vyncms admin [-d CMSDIR] [-u USER] [-b BRANCH] [-a USER,...] [-n NAME:REV] [-n NAME:]\n"
                 "               [-s STATE[:REV]] [-o REV[:REV][,...]] [-M MANAGER] [-t DESCRIPTION] [-y] FILE\n"
                 "  vyncms admin -c [-d CMSDIR] [FILE]\n"
                 "  vyncms ops [-d CMSDIR] [-f MODULE] [-u USER] [-m MONTH] [-o OPERATION]\n"
                 "  vyncms changed [-d CMSDIR] FILE...\n"
                 "  vyncms release -P PROJECT save [-m DESCRIPTION] [-y] NAME FILE...\n"
                 "  vyncms release -P PROJECT list\n"
                 "  vyncms release -P PROJECT get [-f] NAME\n"
                 "Store commands also take -P PROJECT: the project's registry values (CMS directory,\n"
                 "user name, options, manager) are used where no option says otherwise.\n"
                 "Options: -k keep the working file (put; the default unless the project's Put options\n"
                 "say otherwise) or keep changes of FILE1 (merge), -e erase the working file once its\n"
                 "revision is stored (put), -l lock, -U unlock, -f overwrite an existing working file,\n"
                 "-q quiet, -y answer yes to questions, -R make revision files read-only.\n"
                 "admin -c clear a stale lock: removes the lock file of FILE and the operations log's\n"
                 "lock file left behind by a program that stopped (refused while a program on this\n"
                 "machine still uses them); without FILE only the log's.\n"
                 "Exit status 0 on success; diff: 0 identical, 1 different, 2 trouble.\n");
    return 2;
}

}  // namespace vyn::versions::cms
