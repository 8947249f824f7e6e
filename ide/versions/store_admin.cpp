#include <algorithm>
#include <map>
#include <set>

#include "common/strings.h"
#include "ide/versions/edit_script.h"
#include "ide/versions/file_io.h"
#include "ide/versions/revision_number.h"
#include "ide/versions/revision_tree.h"
#include "ide/versions/store.h"
#include "ide/versions/store_common.h"
#include "ide/versions/store_layout.h"

namespace vyn::versions {

using namespace detail;

namespace {

// The revisions named by a list of numbers and "a:b" ranges on one line.
bool expand_revisions(const RevisionFile& file, const std::vector<std::string>& wanted_revisions, std::set<std::string>& out,
                      std::string& error)
{
    for (const std::string& wanted : wanted_revisions) {
        std::size_t colon = wanted.find(':');
        if (colon == std::string::npos) {
            std::string n = resolve_revision(file, wanted);
            if (n.empty()) {
                error = format("Can't find delta for revision %s", wanted.c_str());
                return false;
            }
            out.insert(n);
            continue;
        }
        std::string a = resolve_revision(file, wanted.substr(0, colon));
        std::string b = resolve_revision(file, wanted.substr(colon + 1));
        if (a.empty() || b.empty() || branch_of(a) != branch_of(b)) {
            error = format("Can't find delta for revision %s", wanted.c_str());
            return false;
        }
        if (compare_numbers(a, b) > 0)
            std::swap(a, b);
        for (const Revision& r : file.revisions)
            if (!r.deleted && branch_of(r.number) == branch_of(a) && compare_numbers(r.number, a) >= 0 &&
                compare_numbers(r.number, b) <= 0)
                out.insert(r.number);
    }
    return true;
}

// Takes revision number out of the tree, linking what was stored against it
// to what it was stored against. Refused when branches start at it.
bool unlink_revision(RevisionFile& file, const std::string& number, std::string& error)
{
    Revision* r = file.find(number);
    if (!r) {
        error = format("Can't find delta for revision %s", number.c_str());
        return false;
    }
    if (!r->branches.empty()) {
        error = format("Revision %s has branches. Removal impossible", number.c_str());
        return false;
    }
    std::string next = r->next;
    bool linked = false;
    if (file.head == number) {
        file.head = next;
        linked = true;
    }
    for (Revision& other : file.revisions) {
        if (other.deleted || linked)
            continue;
        if (other.next == number) {
            other.next = next;
            linked = true;
        }
        for (auto b = other.branches.begin(); b != other.branches.end() && !linked; ++b)
            if (*b == number) {
                if (next.empty())
                    other.branches.erase(b);
                else
                    *b = next;
                linked = true;
                break;
            }
    }
    std::erase_if(file.revisions, [&](const Revision& x) { return x.number == number; });
    std::erase_if(file.names, [&](const auto& n) { return n.second == number; });
    std::erase(file.text_order, number);
    if (file.default_branch == branch_of(number) && last_on_branch(file, file.default_branch).empty())
        file.default_branch.clear();
    return true;
}

/* delete_revisions: removes the revisions named in the request. The texts
 * of the revisions whose neighbour changed are made anew from full texts
 * rebuilt on the file as it was. */
bool delete_revisions(const StoreContext& context, const AdminRequest& request, RevisionFile& file,
                      std::vector<std::pair<std::string, PathCounts>>& deleted, Ui& ui)
{
    if (!request.manager.empty() && !same_user(context, request.manager, context.user)) {
        ui.tell(format("%s: only the manager (%s) can delete versions", context.user.c_str(), request.manager.c_str()));
        return false;
    }
    std::set<std::string> wanted;
    std::string error;
    if (!expand_revisions(file, request.delete_revisions, wanted, error)) {
        ui.tell(error);
        return false;
    }
    if (wanted.empty()) {
        ui.tell("No revision deleted");
        return false;
    }
    for (const std::string& n : wanted)
        if (!lock_holder(file, n).empty()) {
            ui.tell(format("Revision %s is locked. Removal impossible, unlock it first", n.c_str()));
            return false;
        }
    if (wanted.size() == file.count() && !ui.ask("Do you really want to delete all revisions ?")) {
        ui.tell("No revision deleted");
        return false;
    }
    RevisionFile after = file;
    // Deepest branches first, so that a branch emptied in this request no
    // longer blocks the removal of the revision it starts from.
    std::vector<std::string> order(wanted.begin(), wanted.end());
    std::sort(order.begin(), order.end(), [](const std::string& a, const std::string& b) {
        if (field_count(a) != field_count(b))
            return field_count(a) > field_count(b);
        return compare_numbers(a, b) > 0;
    });
    for (const std::string& n : order) {
        deleted.emplace_back(n, path_counts(file, n));
        if (!unlink_revision(after, n, error)) {
            ui.tell(error);
            deleted.clear();
            return false;
        }
        ui.tell(format("deleting revision %s ", n.c_str()));
    }
    std::map<std::string, std::string> full;
    auto full_text = [&](const std::string& n) -> const std::string* {
        auto it = full.find(n);
        if (it == full.end()) {
            std::string text;
            if (!rebuild_text(file, n, text, error))
                return nullptr;
            it = full.emplace(n, std::move(text)).first;
        }
        return &it->second;
    };
    for (Revision& r : after.revisions) {
        bool head_before = file.head == r.number, head_after = after.head == r.number;
        std::string against_before = stored_against(file, r.number);
        std::string against_after = stored_against(after, r.number);
        if (head_before == head_after && against_before == against_after)
            continue;
        const std::string* mine = full_text(r.number);
        if (!mine) {
            ui.tell(error);
            return false;
        }
        if (head_after) {
            r.text = *mine;
            continue;
        }
        const std::string* base = full_text(against_after);
        if (!base) {
            ui.tell(error);
            return false;
        }
        r.text = edit_script_between(*base, *mine);
    }
    file = std::move(after);
    return true;
}

bool apply_lock_request(const StoreContext& context, const AdminRequest& request, RevisionFile& file,
                        std::vector<std::pair<std::string, std::string>>& logged, Ui& ui)
{
    if (file.count() == 0) {
        ui.tell(format("No revisions present in %s", host_join(context.cms_directory, request.file).c_str()));
        return false;
    }
    std::string number;
    if (!request.lock_revision.empty()) {
        number = resolve_revision(file, request.lock_revision);
        if (number.empty()) {
            ui.tell(format("Can't find delta for revision %s", request.lock_revision.c_str()));
            return false;
        }
    } else {
        number = locked_by(context, file, context.user);
        if (number.empty())
            number = default_revision(file);
    }
    std::string holder = lock_holder(file, number);
    if (request.lock) {
        if (!holder.empty() && !same_user(context, holder, context.user)) {
            ui.tell(format("Version %s locked by %s", number.c_str(), holder.c_str()));
            return false;
        }
        std::string own = locked_by(context, file, context.user);
        if (!own.empty() && own != number) {
            ui.tell(format("you already locked revision %s; You can't lock several revisions.", own.c_str()));
            return false;
        }
        if (own.empty())
            file.locks.emplace_back(context.user, number);
        ui.tell(format("revision %s (locked)", number.c_str()));
        logged.emplace_back("lock", number);
    } else {
        if (!holder.empty() && !same_user(context, holder, context.user)) {
            ui.tell(format("%s still locked by %s", number.c_str(), holder.c_str()));
            return false;
        }
        remove_lock(file, number);
        ui.tell(format("revision %s (unlocked)", number.c_str()));
        logged.emplace_back("unlock", number);
    }
    return true;
}

bool valid_word(const std::string& word)
{
    if (word.empty())
        return false;
    for (char c : word) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u <= 32 || u == 127 || c == ':' || c == ';' || c == '@')
            return false;
    }
    return true;
}

bool apply_simple_requests(const AdminRequest& request, RevisionFile& file, Ui& ui)
{
    if (request.set_default_branch) {
        if (request.default_branch.empty()) {
            file.default_branch.clear();
        } else {
            std::string n = resolve_revision(file, request.default_branch);
            if (n.empty()) {
                ui.tell(format("Can't find delta for revision %s", request.default_branch.c_str()));
                return false;
            }
            file.default_branch = field_count(request.default_branch) % 2 == 1 ? request.default_branch : branch_of(n);
        }
    }
    if (request.set_access) {
        for (const std::string& user : request.access)
            if (!valid_word(user)) {
                ui.tell(format("Incorrect user name %s", user.c_str()));
                return false;
            }
        file.access = request.access;
    }
    for (const auto& binding : request.bind_names) {
        const std::string& name = binding.first;
        const std::string& rev = binding.second;
        if (!valid_word(name) || is_dotted_number(name)) {
            ui.tell(format("Incorrect revision name %s", name.c_str()));
            return false;
        }
        if (rev.empty()) {
            std::erase_if(file.names, [&](const auto& n) { return n.first == name; });
            continue;
        }
        std::string n = resolve_revision(file, rev);
        if (n.empty()) {
            ui.tell(format("Can't find delta for revision %s", rev.c_str()));
            return false;
        }
        for (const auto& [bound, to] : file.names)
            if (bound == name) {
                ui.tell(format("symbolic name %s already bound to %s", name.c_str(), to.c_str()));
                return false;
            }
        file.names.emplace_back(name, n);
    }
    for (const auto& [state, rev] : request.states) {
        std::string n = rev.empty() ? default_revision(file) : resolve_revision(file, rev);
        if (n.empty() || !valid_word(state)) {
            ui.tell(format("Can't find delta for revision %s", rev.c_str()));
            return false;
        }
        file.find(n)->state = state;
    }
    if (request.set_description)
        file.description = request.description;
    return true;
}

}  // namespace

bool administer(const StoreContext& context, const AdminRequest& request, Ui& ui)
{
    std::string error;
    if (!check_store_names(context.cms_directory, context.working_directory, request.file, error) ||
        !check_user_name(context.user, error)) {
        ui.tell(error);
        return false;
    }
    RevisionFileLock guard;
    if (!guard.acquire(context.cms_directory, request.file, context.user, now(context), error)) {
        ui.tell(error);
        return false;
    }
    RevisionFile file;
    if (!load_revision_file(context, request.file, file, error)) {
        ui.tell(error);
        return false;
    }
    if (!on_access_list(context, file)) {
        ui.tell(format("User %s not on the access list", context.user.c_str()));
        return false;
    }
    std::vector<std::pair<std::string, std::string>> logged;
    std::vector<std::pair<std::string, PathCounts>> deleted;
    if (!apply_simple_requests(request, file, ui))
        return false;
    if ((request.lock || request.unlock) && !apply_lock_request(context, request, file, logged, ui))
        return false;
    RevisionFile before = file;
    if (!request.delete_revisions.empty() && !delete_revisions(context, request, file, deleted, ui))
        return false;
    if (!write_store_file(context, request.file, file, ui))
        return false;
    for (const auto& [operation, number] : logged)
        log_operation(context, operation, file, number, request.file, ui);
    for (const auto& [number, counts] : deleted) {
        const Revision* r = before.find(number);
        std::string record = log_record("delete", number, counts, file.count(), r ? r->date : std::string(),
                                        now(context), context.user, request.file);
        if (!append_operation_log(context.cms_directory, record, error))
            ui.tell(error);
    }
    if (!guard.release(&error))
        ui.tell(error);
    return true;
}

}  // namespace vyn::versions
