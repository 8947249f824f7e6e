// vyncms put, get, lock, unlock, admin, log, ops and changed.
#include <cstdio>

#include "common/strings.h"
#include "ide/versions/cms/cli.h"
#include "ide/versions/file_io.h"
#include "ide/versions/releases.h"
#include "ide/versions/revision_number.h"
#include "ide/versions/lines.h"
#include "ide/versions/revision_tree.h"
#include "ide/versions/store.h"
#include "ide/versions/store_layout.h"

namespace vyn::versions::cms {

int cmd_put(const std::vector<std::string>& raw)
{
    Arguments args = parse_arguments(raw, "kelqyR", "dumrnP");
    if (!args.error.empty())
        return usage(args.error.c_str());
    if (args.operands.size() != 1)
        return usage("put takes one working file");
    if (args.has('k') && args.has('e'))
        return usage("choose one of -k and -e");
    StoreContext context = make_context(args);
    PutRequest request;
    request.file = args.operands[0];
    request.message = args.value('m');
    request.revision = args.value('r');
    request.name = args.value('n');
    // The project's Put options: 0x4 "Keep source", 0x8 "No messages", 0x20
    // "Lock always". Without a project the working file is kept, as a new
    // project's default has it; -e erases it.
    unsigned preset = project_put_options(args);
    request.keep_source = !args.has('e') && (args.has('k') || (preset & 0x4));
    request.lock = args.has('l') || (preset & 0x20);
    request.quiet = args.has('q') || (preset & 0x8);
    ConsoleUi ui(args.has('y'));
    return put_file(context, request, ui).ok ? 0 : 1;
}

int cmd_get(const std::vector<std::string>& raw)
{
    Arguments args = parse_arguments(raw, "lUfqy", "durPDws");
    if (!args.error.empty())
        return usage(args.error.c_str());
    if (args.operands.size() != 1)
        return usage("get takes one working file");
    if (args.has('l') && args.has('U'))
        return usage("choose one of -l and -U");
    StoreContext context = make_context(args);
    GetRequest request;
    request.file = args.operands[0];
    request.revision = args.value('r');
    request.date = args.value('D');
    request.author = args.value('w');
    request.state = args.value('s');
    // The project's Get options: 0x2 "Lock always", 0x8 "No messages",
    // 0x20 "Overwrite existing files".
    unsigned preset = project_get_options(args);
    request.unlock = args.has('U');
    request.lock = args.has('l') || ((preset & 0x2) && !request.unlock);
    request.overwrite = args.has('f') || (preset & 0x20);
    request.quiet = args.has('q') || (preset & 0x8);
    ConsoleUi ui(args.has('y'));
    return get_file(context, request, ui) ? 0 : 1;
}

int cmd_lock(const std::vector<std::string>& raw, bool lock)
{
    Arguments args = parse_arguments(raw, "R", "durP");
    if (!args.error.empty())
        return usage(args.error.c_str());
    if (args.operands.size() != 1)
        return usage("lock and unlock take one file");
    StoreContext context = make_context(args);
    AdminRequest request;
    request.file = args.operands[0];
    request.lock = lock;
    request.unlock = !lock;
    request.lock_revision = args.value('r');
    ConsoleUi ui(false);
    return administer(context, request, ui) ? 0 : 1;
}

namespace {

/* admin -c: removes the lock file of FILE, and the operations log's lock
 * file, left behind by a program that stopped; the option is the user's
 * answer to the question asked. Other requests given with it follow. */
int clear_stale_locks(const Arguments& args, const StoreContext& context)
{
    ConsoleUi ui(true);
    bool ok = true;
    if (!args.operands.empty()) {
        std::string error;
        if (!check_store_names(context.cms_directory, context.working_directory, args.operands[0], error)) {
            ui.tell(error);
            return 1;
        }
        ok = clear_stale_lock(context.cms_directory, args.operands[0], ui);
    }
    if (file_present(host_join(context.cms_directory, "_LOGFILE.LO_")) || args.operands.empty())
        ok = clear_stale_lock(context.cms_directory, "", ui) && ok;
    return ok ? 0 : 1;
}

}  // namespace

int cmd_admin(const std::vector<std::string>& raw)
{
    Arguments args = parse_arguments(raw, "cyR", "dubansoMtP");
    if (!args.error.empty())
        return usage(args.error.c_str());
    bool requests = false;
    for (char c : std::string("bansotM"))
        requests = requests || args.has(c);
    if (args.operands.size() > 1 || (args.operands.empty() && (requests || !args.has('c'))))
        return usage("admin takes one file");
    StoreContext context = make_context(args);
    if (args.has('c')) {
        int status = clear_stale_locks(args, context);
        if (status != 0 || !requests)
            return status;
    }
    AdminRequest request;
    request.file = args.operands[0];
    if (args.has('b')) {
        request.set_default_branch = true;
        request.default_branch = args.value('b');
    }
    if (args.has('a')) {
        request.set_access = true;
        for (const std::string& user : split(args.value('a'), ','))
            if (!trim(user).empty())
                request.access.emplace_back(trim(user));
    }
    for (const std::string& binding : args.repeated_n) {
        std::size_t colon = binding.find(':');
        if (colon == std::string::npos)
            return usage("-n takes NAME:REV (NAME: removes the name)");
        request.bind_names.emplace_back(binding.substr(0, colon), binding.substr(colon + 1));
    }
    if (args.has('s')) {
        std::string s = args.value('s');
        std::size_t colon = s.find(':');
        request.states.emplace_back(s.substr(0, colon), colon == std::string::npos ? "" : s.substr(colon + 1));
    }
    if (args.has('o'))
        request.delete_revisions = split(args.value('o'), ',');
    request.manager = args.value('M', project_manager(args));
    if (args.has('t')) {
        request.set_description = true;
        request.description = args.value('t');
    }
    ConsoleUi ui(args.has('y'));
    return administer(context, request, ui) ? 0 : 1;
}

/* log: the journal of one revision file: last and default revision,
 * revision names, locks, access list, number of revisions, description,
 * then every revision from the head down, branches after their chain. */
int cmd_log(const std::vector<std::string>& raw)
{
    Arguments args = parse_arguments(raw, "", "duP");
    if (!args.error.empty())
        return usage(args.error.c_str());
    if (args.operands.size() != 1)
        return usage("log takes one file");
    StoreContext context = make_context(args);
    RevisionFile file;
    std::string error;
    if (!load_revision_file(context, args.operands[0], file, error)) {
        std::fprintf(stderr, "vyncms: %s\n", error.c_str());
        return 1;
    }
    std::printf("CMS file: %s\n", host_join(context.cms_directory, args.operands[0]).c_str());
    std::printf("Last revision: %s\n", file.head.c_str());
    std::printf("Default revision: %s\n", default_revision(file).c_str());
    std::printf("Names:");
    for (const auto& [name, rev] : file.names)
        std::printf(" %s:%s", name.c_str(), rev.c_str());
    std::printf("\nLocks:");
    for (const auto& [user, rev] : file.locks)
        std::printf(" %s:%s", user.c_str(), rev.c_str());
    std::printf("\nAccess list:");
    for (const std::string& user : file.access)
        std::printf(" %s", user.c_str());
    std::printf("\nRevisions: %lu\nBinary: %s\nDescription:\n%s", ul(file.count()), file.binary ? "yes" : "no",
                file.description.c_str());
    std::vector<std::string> pending;
    if (!file.head.empty())
        pending.push_back(file.head);
    while (!pending.empty()) {
        std::string n = pending.back();
        pending.pop_back();
        const Revision* r = file.find(n);
        if (!r)
            continue;
        std::printf("----------------------------\nrevision %s", r->number.c_str());
        for (const auto& [user, rev] : file.locks)
            if (rev == r->number)
                std::printf("  locked by %s", user.c_str());
        std::printf("\ndate: %s;  author: %s;  state: %s;\n", r->date.c_str(), r->author.c_str(), r->state.c_str());
        if (!r->branches.empty())
            std::printf("branches: %s\n", join(r->branches, " ").c_str());
        std::printf("%s", r->log.c_str());
        if (r->log.empty() || r->log.back() != '\n')
            std::printf("\n");
        for (auto b = r->branches.rbegin(); b != r->branches.rend(); ++b)
            pending.push_back(*b);
        if (!r->next.empty())
            pending.push_back(r->next);
    }
    return 0;
}

namespace {

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

// The month (1-12) of the operation date of a log record, 0 when unknown.
int record_month(const std::vector<std::string>& fields)
{
    for (const std::string& f : fields)
        if (f.size() > 1 && f.back() == 'o') {
            std::vector<std::string> parts = split(f.substr(0, f.size() - 1), '.');
            if (parts.size() >= 2)
                return static_cast<int>(parse_long(parts[1]).value_or(0));
        }
    return 0;
}

}  // namespace

/* ops: the operations log of the CMS directory, filtered by module (the
 * end of the record), user, month and operation; "*" or a missing option
 * accepts everything. */
int cmd_ops(const std::vector<std::string>& raw)
{
    Arguments args = parse_arguments(raw, "", "dfumoP");
    if (!args.error.empty())
        return usage(args.error.c_str());
    StoreContext context = make_context(args);
    std::string module = args.value('f', "*");
    std::string user = args.value('u', "*");
    std::string month = args.value('m', "*");
    std::string operation = args.value('o', "*");
    int month_number = 0;
    if (month != "*") {
        for (int i = 0; i < 12; ++i)
            if (equals_nocase(month, kMonths[i]))
                month_number = i + 1;
        if (month_number == 0)
            return usage("-m takes a month name (January to December) or *");
    }
    std::string log;
    if (!read_whole_file(host_join(context.cms_directory, "LOGFILE.LOG"), log)) {
        std::fprintf(stderr, "vyncms: no operations log in %s\n", context.cms_directory.c_str());
        return 1;
    }
    std::string heading;
    if (operation == "*")
        heading += "Operations";
    heading += " Versions";
    if (user == "*")
        heading += "     Users";
    if (month == "*")
        heading += "  Date";
    if (module == "*")
        heading += "      Module";
    std::printf("%s\n", heading.c_str());
    int selected = 0, total = 0;
    for (const std::string& line : split(log, '\n')) {
        std::string_view text = trim_right(line);
        if (text.size() < 3)
            continue;
        ++total;
        std::vector<std::string> fields;
        for (const std::string& f : split(text, ' '))
            if (!f.empty())
                fields.push_back(f);
        if (fields.size() < 3)
            continue;
        if (operation != "*" && fields[0] != operation)
            continue;
        if (user != "*" && (fields.size() < 2 || !equals_nocase(fields[fields.size() - 2], user)))
            continue;
        if (module != "*" && !ends_with_nocase(text, module))
            continue;
        if (month_number && record_month(fields) != month_number)
            continue;
        ++selected;
        std::printf("%.*s\n", static_cast<int>(text.size()), text.data());
    }
    std::printf("%d operations selected, %d operations in log file\n", selected, total);
    return 0;
}

int cmd_changed(const std::vector<std::string>& raw)
{
    Arguments args = parse_arguments(raw, "", "du");
    if (!args.error.empty())
        return usage(args.error.c_str());
    StoreContext context = make_context(args);
    int worst = 0;
    for (const std::string& file : args.operands) {
        int r = file_changed(context, file);
        if (r == 1)
            std::printf("%s\n", file.c_str());
        else if (r == 2)
            std::fprintf(stderr, "vyncms: %s: diff impossible\n", file.c_str());
        worst = std::max(worst, r == 2 ? 2 : 0);
    }
    return worst;
}

/* release: save, list and get the releases of the project named by -P.
 * Saving first puts every changed file (keeping it and relocking the new
 * revision), then records the current revision of every file named. */
int cmd_release(const std::vector<std::string>& raw)
{
    Arguments args = parse_arguments(raw, "yfq", "dumP");
    if (!args.error.empty())
        return usage(args.error.c_str());
    if (!args.has('P') || args.operands.empty())
        return usage("release needs -P PROJECT and save, list or get");
    std::string action = args.operands[0];
    std::vector<std::string> rest(args.operands.begin() + 1, args.operands.end());
    StoreContext context = make_context(args);
    ConsoleUi ui(args.has('y'));
    auto registry = platform::open_registry();
    std::string key = project_key(args.value('P'));
    std::vector<Release> releases = read_releases(*registry, key);
    if (action == "list") {
        if (releases.empty()) {
            ui.tell("No releases defined");
            return 0;
        }
        for (const Release& r : releases) {
            std::printf("%s\t%s\t%s\n%s", r.name.c_str(), r.author.c_str(), r.date.c_str(), r.description.c_str());
            if (r.description.empty() || r.description.back() != '\n')
                std::printf("\n");
            for (const auto& [file, revision] : r.files)
                std::printf("  %s,%s\n", file.c_str(), revision.c_str());
        }
        return 0;
    }
    if (action == "get") {
        if (rest.size() != 1)
            return usage("release get takes a release name");
        for (const Release& r : releases)
            if (r.name == rest[0])
                return get_release(context, r, args.has('f'), ui) ? 0 : 1;
        ui.tell("Release " + rest[0] + " not found");
        return 1;
    }
    if (action != "save" || rest.empty())
        return usage("release save takes a name and the project files");
    std::string name = rest[0];
    std::vector<std::string> files(rest.begin() + 1, rest.end());
    // The name is checked before any file is put.
    std::string name_error;
    if (!check_release_name(*registry, key, name, name_error)) {
        ui.tell(name_error);
        return 1;
    }
    std::string date = context.date.empty() ? date_now() : context.date;
    std::string message = args.value('m', format("Saved by %s  %s.\n", context.user.c_str(), date.c_str()));
    for (const std::string& file : files) {
        int changed = file_changed(context, file);
        if (changed == 2) {
            ui.tell(format("File %s not found!", file.c_str()));
            return 1;
        }
        if (changed == 0)
            continue;
        PutRequest put;
        put.file = file;
        put.message = message;
        put.keep_source = true;
        put.lock = true;
        put.quiet = args.has('q');
        if (!put_file(context, put, ui).ok)
            return 1;
    }
    Release release;
    if (!make_release(context, name, args.value('m'), files, ui, release))
        return 1;
    std::string error;
    if (!add_release(*registry, key, release, error)) {
        ui.tell(error);
        return 1;
    }
    return 0;
}

}  // namespace vyn::versions::cms
