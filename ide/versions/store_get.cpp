#include "common/strings.h"
#include "ide/versions/diff_engine.h"
#include "ide/versions/file_io.h"
#include "ide/versions/revision_number.h"
#include "ide/versions/revision_tree.h"
#include "ide/versions/store.h"
#include "ide/versions/store_common.h"
#include "ide/versions/store_layout.h"
#include "ide/versions/uuencode.h"

namespace vyn::versions {

using namespace detail;

bool load_revision_file(const StoreContext& context, const std::string& file_name, RevisionFile& file,
                        std::string& error)
{
    std::string path = host_join(context.cms_directory, file_name);
    std::string bytes;
    if (!read_whole_file(path, bytes)) {
        error = format("File %s not found!", path.c_str());
        return false;
    }
    return parse_revision_file(bytes, file, error);
}

std::string default_revision(const RevisionFile& file)
{
    if (!file.default_branch.empty()) {
        std::string r = last_on_branch(file, file.default_branch);
        if (!r.empty())
            return r;
    }
    return file.head;
}

namespace {

/* narrow_by_query: from number back along its line of development (older
 * main-line revisions, earlier revisions of the same branch), the first
 * revision that satisfies the request's date, author and state filters;
 * empty when none does. */
std::string narrow_by_query(const RevisionFile& file, const std::string& number, const GetRequest& request)
{
    std::string n = number;
    for (std::size_t steps = 0; !n.empty() && steps <= file.revisions.size(); ++steps) {
        const Revision* r = file.find(n);
        if (!r)
            return {};
        bool ok = (request.date.empty() || compare_numbers(r->date, request.date) <= 0) &&
                  (request.author.empty() || r->author == request.author) &&
                  (request.state.empty() || r->state == request.state);
        if (ok)
            return n;
        if (field_count(n) == 2) {
            n = r->next;
        } else {
            std::string before = stored_against(file, n);
            n = branch_of(before) == branch_of(n) ? before : std::string();
        }
    }
    return {};
}

// Applies the lock or unlock of a get; false with the message when refused.
bool change_lock(const StoreContext& context, const GetRequest& request, RevisionFile& file,
                 const std::string& number, std::string& suffix, bool& changed, std::string& error)
{
    std::string holder = lock_holder(file, number);
    if (request.lock) {
        if (!holder.empty() && !same_user(context, holder, context.user)) {
            error = format("Version %s locked by %s", number.c_str(), holder.c_str());
            return false;
        }
        std::string own = locked_by(context, file, context.user);
        if (!own.empty() && own != number) {
            error = format("you already locked revision %s; You can't lock several revisions.", own.c_str());
            return false;
        }
        if (own.empty()) {
            file.locks.emplace_back(context.user, number);
            changed = true;
        }
        suffix = " (locked)";
    } else if (request.unlock) {
        if (!holder.empty() && !same_user(context, holder, context.user)) {
            error = format("%s still locked by %s", number.c_str(), holder.c_str());
            return false;
        }
        if (!holder.empty()) {
            remove_lock(file, number);
            changed = true;
        }
        suffix = " (unlocked)";
    }
    return true;
}

}  // namespace

bool get_file(const StoreContext& context, const GetRequest& request, Ui& ui)
{
    auto finish = [&](bool ok) {
        if (!request.quiet)
            ui.tell(format("'GET' done. return code %d", ok ? 1 : 0));
        return ok;
    };
    FilePaths paths;
    if (!start_file_operation(context, request.file, ui, paths))
        return finish(false);
    const std::string& working_path = paths.working;
    const std::string& revision_path = paths.revision;
    std::string error;
    if (!file_present(revision_path)) {
        ui.tell(format("File %s not found!", revision_path.c_str()));
        return finish(false);
    }
    if (!request.quiet)
        ui.tell(format("%s devient %s", revision_path.c_str(), working_path.c_str()));

    RevisionFileLock guard;
    const bool locking = request.lock || request.unlock;
    if (locking && !guard.acquire(context.cms_directory, request.file, context.user, now(context), error)) {
        ui.tell(error);
        return finish(false);
    }
    RevisionFile file;
    if (!load_revision_file(context, request.file, file, error)) {
        ui.tell(error);
        return finish(false);
    }
    if (file.count() == 0) {
        ui.tell("No revisions present. 'Get' stopped");
        return finish(false);
    }
    std::string number;
    if (!request.revision.empty()) {
        number = resolve_revision(file, request.revision);
        if (number.empty()) {
            ui.tell(format("Can't find delta for revision %s", request.revision.c_str()));
            return finish(false);
        }
    } else if (request.unlock) {
        number = locked_by(context, file, context.user);
    }
    if (number.empty())
        number = default_revision(file);
    if (!request.date.empty() || !request.author.empty() || !request.state.empty()) {
        std::string chosen = narrow_by_query(file, number, request);
        if (chosen.empty()) {
            ui.tell(format("No revision of %s matches the query", request.file.c_str()));
            return finish(false);
        }
        number = chosen;
    }

    std::string suffix;
    bool locks_changed = false;
    if (!change_lock(context, request, file, number, suffix, locks_changed, error)) {
        ui.tell(error);
        return finish(false);
    }
    ui.tell(format("revision %s%s", number.c_str(), suffix.c_str()));

    if (file_present(working_path) && !request.overwrite &&
        !ui.ask(format("File %s exists. Overwrite it?", working_path.c_str()))) {
        ui.tell(format("File %s not overwritten", working_path.c_str()));
        return finish(false);
    }
    std::string text;
    if (!rebuild_text(file, number, text, error)) {
        ui.tell(error);
        return finish(false);
    }
    if (file.binary) {
        std::string bytes;
        if (!uudecode(text, bytes)) {
            ui.tell(format("Incorrect encoded text in revision %s", number.c_str()));
            return finish(false);
        }
        text.swap(bytes);
    }
    if (locks_changed && !write_store_file(context, request.file, file, ui))
        return finish(false);
    log_operation(context, "get", file, number, request.file, ui);
    std::string temp = fresh_temporary_name(context.working_directory, "get");
    if (!write_temporary(temp, text) || !replace_file(temp, working_path)) {
        ui.tell(format("Creation of %s impossible. Look at %s", working_path.c_str(), temp.c_str()));
        return finish(false);
    }
    if (!guard.release(&error))
        ui.tell(error);
    return finish(true);
}

int file_changed(const StoreContext& context, const std::string& file_name)
{
    const std::string revision_path = host_join(context.cms_directory, file_name);
    if (!file_present(revision_path))
        return 1;
    std::string content;
    if (!read_whole_file(host_join(context.working_directory, file_name), content))
        return 2;
    RevisionFile file;
    std::string error, text;
    if (!load_revision_file(context, file_name, file, error) || file.count() == 0)
        return file.count() == 0 && error.empty() ? 1 : 2;
    if (!rebuild_text(file, default_revision(file), text, error))
        return 2;
    if (file.binary)
        content = uuencode(content, file_name);
    return compare_lines(Lines(std::move(text)), Lines(std::move(content)), 0).empty() ? 0 : 1;
}

}  // namespace vyn::versions
