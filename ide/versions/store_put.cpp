#include <algorithm>

#include "common/strings.h"
#include "ide/versions/edit_script.h"
#include "ide/versions/file_io.h"
#include "ide/versions/revision_number.h"
#include "ide/versions/revision_tree.h"
#include "ide/versions/store.h"
#include "ide/versions/store_common.h"
#include "ide/versions/store_layout.h"
#include "ide/versions/uuencode.h"

namespace vyn::versions {

using namespace detail;

namespace {

constexpr std::size_t kMaxLogMessage = 4095;

bool valid_revision_name(const std::string& name)
{
    if (name.empty() || is_dotted_number(name) || (name[0] >= '0' && name[0] <= '9'))
        return false;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u <= 32 || u == 127 || c == ':' || c == ';' || c == '@' || c == ',')
            return false;
    }
    return true;
}

// The next free branch number of revision pred ("1.2" with branches 1.2.1.x
// and 1.2.3.x gives 4).
std::uint32_t next_branch_number(const Revision& pred)
{
    std::size_t level = field_count(pred.number);
    std::uint32_t highest = 0;
    for (const std::string& b : pred.branches) {
        std::vector<std::uint32_t> f = number_fields(b);
        if (f.size() > level)
            highest = std::max(highest, f[level]);
    }
    return highest + 1;
}

/* choose_number: the number of the new revision following pred (empty for
 * an initial put), honouring a typed number on the main line. Sets error
 * and returns empty when the typed number cannot be used. */
std::string choose_number_unchecked(const RevisionFile& file, const std::string& pred, const std::string& typed,
                                   std::string& error)
{
    std::string wanted = typed;
    if (!wanted.empty() && field_count(wanted) == 1)
        wanted += ".1";
    if (!typed.empty() && !is_revision_number(wanted)) {
        error = format("Incorrect revision number %s", typed.c_str());
        return {};
    }
    if (!wanted.empty())
        wanted = join_fields(number_fields(wanted));  // "01.1" is "1.1"
    if (pred.empty())
        return wanted.empty() ? std::string("1.1") : wanted;
    if (is_last_of_branch(file, pred)) {
        if (wanted.empty())
            return increment_last(pred);
        if (field_count(wanted) != field_count(pred) || branch_of(wanted) != branch_of(pred)) {
            if (field_count(pred) != 2 || field_count(wanted) != 2) {
                error = format("Incorrect revision number %s", typed.c_str());
                return {};
            }
        }
        if (compare_numbers(wanted, pred) <= 0) {
            error = format("Number %s too small. It should be greater than %s", wanted.c_str(), pred.c_str());
            return {};
        }
        return wanted;
    }
    if (!wanted.empty()) {
        error = format("Incorrect revision number %s", typed.c_str());
        return {};
    }
    const Revision* r = file.find(pred);
    return pred + "." + std::to_string(next_branch_number(*r)) + ".1";
}

/* choose_number: as above, and never a number the reader would refuse (a
 * field grown past nine digits). */
std::string choose_number(const RevisionFile& file, const std::string& pred, const std::string& typed,
                          std::string& error)
{
    std::string number = choose_number_unchecked(file, pred, typed, error);
    if (!number.empty() && !is_revision_number(number)) {
        error = format("Incorrect revision number %s: a field may have at most 9 digits", number.c_str());
        return {};
    }
    return number;
}

// Deletes the working file unless it is to be kept.
void finish_working_file(const PutRequest& request, const std::string& working_path)
{
    if (request.keep_source || request.lock)
        return;
    fault_point();
    delete_file(working_path);
}

/* read_working_file: the stage before the store is touched: the CMS
 * directory exists (made when the user agrees) and content holds the
 * working file. false when either fails, with the message told. */
bool read_working_file(const StoreContext& context, const FilePaths& paths, const PutRequest& request,
                       std::string& content, Ui& ui)
{
    if (!directory_present(context.cms_directory)) {
        if (!ui.ask("Cms directory does not exist. Create it?"))
            return false;
        if (!make_directory(context.cms_directory)) {
            ui.tell(format("Directory %s not found", context.cms_directory.c_str()));
            return false;
        }
    }
    if (!file_present(paths.working) || !read_whole_file(paths.working, content)) {
        ui.tell(format("File %s not found!", paths.working.c_str()));
        return false;
    }
    if (!request.quiet)
        ui.tell(format("%s devient %s", paths.working.c_str(), paths.revision.c_str()));
    return true;
}

/* load_for_put: the revision file as the put finds it (empty when there is
 * none yet). A file whose revisions were all deleted takes a new initial
 * revision; locks and names left in it name nothing. false, with the
 * message told, when it cannot be read or the user is not on its access
 * list. */
bool load_for_put(const StoreContext& context, const FilePaths& paths, const PutRequest& request,
                  RevisionFile& file, Ui& ui)
{
    std::string error;
    if (file_present(paths.revision) && !load_revision_file(context, request.file, file, error)) {
        ui.tell(error);
        return false;
    }
    if (file.head.empty()) {
        file.binary = is_binary_name(request.file);
        file.revisions.clear();
        file.locks.clear();
        file.names.clear();
    }
    if (!on_access_list(context, file)) {
        ui.tell(format("User %s not on the access list", context.user.c_str()));
        return false;
    }
    return true;
}

/* choose_predecessor: the revision the new one follows: the user's locked
 * revision, else the default branch's newest, else the head; empty for an
 * initial revision. own_lock is the user's locked revision. false, with the
 * message told, when it is missing or someone else holds its lock. */
bool choose_predecessor(const StoreContext& context, const RevisionFile& file, std::string& pred,
                        std::string& own_lock, Ui& ui)
{
    if (file.head.empty())
        return true;
    own_lock = locked_by(context, file, context.user);
    if (context.options.use_locks && !own_lock.empty())
        pred = own_lock;
    else
        pred = default_revision(file);
    if (pred.empty())
        pred = file.head;
    if (!file.find(pred)) {
        ui.tell(format("Can't find delta for revision %s", pred.c_str()));
        return false;
    }
    std::string holder = lock_holder(file, pred);
    if (context.options.use_locks && !holder.empty() && !same_user(context, holder, context.user)) {
        ui.tell(format("Version %s locked by %s", pred.c_str(), holder.c_str()));
        return false;
    }
    return true;
}

/* number_new_revision: the new revision's number after pred, announced;
 * its date must be later than pred's and its symbolic name (if any) valid
 * and free. Empty, with the message told, when any of that fails. */
std::string number_new_revision(const RevisionFile& file, const std::string& pred, const PutRequest& request,
                                const std::string& date, Ui& ui)
{
    std::string error;
    std::string number = choose_number(file, pred, request.revision, error);
    if (number.empty()) {
        ui.tell(error);
        return {};
    }
    if (file.find(number)) {
        ui.tell(format("Number %s too small. It should be greater than %s", number.c_str(), file.head.c_str()));
        return {};
    }
    if (pred.empty())
        ui.tell(format("Initial revision: %s", number.c_str()));
    else
        ui.tell(format("New revision %s, last revision was %s", number.c_str(), pred.c_str()));

    const Revision* pred_rev = pred.empty() ? nullptr : file.find(pred);
    if (pred_rev && compare_numbers(date, pred_rev->date) <= 0) {
        ui.tell(format("Date %s is not later than %s in existing revision %s", date.c_str(), pred_rev->date.c_str(),
                       pred.c_str()));
        return {};
    }
    if (!request.name.empty()) {
        if (!valid_revision_name(request.name)) {
            ui.tell(format("Incorrect revision name %s", request.name.c_str()));
            return {};
        }
        for (const auto& [name, rev] : file.names)
            if (name == request.name) {
                ui.tell(format("symbolic name %s already bound to %s", name.c_str(), rev.c_str()));
                return {};
            }
    }
    return number;
}

// The log message of the new revision.
std::string log_message(const StoreContext& context, const PutRequest& request, bool initial,
                        const std::string& date)
{
    std::string message = request.message;
    if (initial)
        message = "Initial revision";
    else if (message.empty())
        message = format("Saved by %s  %s.\n", context.user.c_str(), date.c_str());
    if (message.size() > kMaxLogMessage)
        message.resize(kMaxLogMessage);
    return message;
}

/* add_revision: links added into the tree after pred with its text: the
 * whole content for an initial revision or a new head (the old head then
 * becomes the edit script from the new text back to it), the edit script
 * from pred's text otherwise. */
void add_revision(RevisionFile& file, Revision added, const std::string& pred, const std::string& pred_text,
                  std::string content, const PutRequest& request)
{
    const std::string number = added.number;
    if (file.head.empty()) {
        added.text = std::move(content);
        file.head = number;
        if (!request.message.empty())
            file.description = request.message;
        file.text_order = {number};
    } else if (field_count(number) == 2) {
        Revision* old_head = file.find(file.head);
        old_head->text = edit_script_between(content, pred_text);
        added.text = std::move(content);
        added.next = file.head;
        std::vector<std::string> order{number, file.head};
        for (const std::string& n : file.text_order)
            if (n != file.head)
                order.push_back(n);
        file.text_order = std::move(order);
        file.head = number;
    } else {
        added.text = edit_script_between(pred_text, content);
        Revision* p = file.find(pred);
        if (is_last_of_branch(file, pred) && field_count(pred) > 2)
            p->next = number;
        else
            p->branches.push_back(number);
        file.text_order.push_back(number);
    }
    file.revisions.push_back(std::move(added));
}

}  // namespace

/* put_file: stores the working file as a new revision, in stages: read the
 * working file, lock and load the revision file, choose the predecessor and
 * the new number, skip an unchanged text (when the user says so), add the
 * revision, update locks and names, write the file and the log. */
PutResult put_file(const StoreContext& context, const PutRequest& request, Ui& ui)
{
    PutResult result;
    auto finish = [&](bool ok) {
        if (!request.quiet)
            ui.tell(format("Put command done. Termination code %d", ok ? 1 : 0));
        result.ok = ok;
        return result;
    };
    FilePaths paths;
    std::string content;
    if (!start_file_operation(context, request.file, ui, paths) ||
        !read_working_file(context, paths, request, content, ui))
        return finish(false);

    std::string error;
    const std::string date = now(context);
    RevisionFileLock guard;
    if (!guard.acquire(context.cms_directory, request.file, context.user, date, error)) {
        ui.tell(error);
        return finish(false);
    }
    RevisionFile file;
    if (!load_for_put(context, paths, request, file, ui))
        return finish(false);
    const bool initial = file.head.empty();
    if (file.binary)
        content = uuencode(content, request.file);

    std::string pred, own_lock;
    if (!choose_predecessor(context, file, pred, own_lock, ui))
        return finish(false);
    const std::string number = number_new_revision(file, pred, request, date, ui);
    if (number.empty())
        return finish(false);
    const std::string message = log_message(context, request, initial, date);

    std::string pred_text;
    if (!pred.empty() && !rebuild_text(file, pred, pred_text, error)) {
        ui.tell(error);
        return finish(false);
    }
    if (!pred.empty() && pred_text == content) {
        std::string note = format("File %s is identical to revision %s", paths.working.c_str(), pred.c_str());
        bool save = false;
        if (request.quiet)
            ui.tell(note);
        else
            save = ui.ask(note + " Save anyway?");
        if (!save) {
            guard.release(nullptr);
            finish_working_file(request, paths.working);
            return finish(true);
        }
    }

    Revision added;
    added.number = number;
    added.date = date;
    added.author = context.user;
    added.state = "Exp";
    added.log = message;
    added.has_text = true;
    add_revision(file, std::move(added), pred, pred_text, std::move(content), request);

    if (!own_lock.empty() && own_lock == pred)
        remove_lock(file, pred);
    if (request.lock)
        file.locks.emplace_back(context.user, number);
    if (!request.name.empty())
        file.names.emplace_back(request.name, number);

    if (!write_store_file(context, request.file, file, ui))
        return finish(false);
    log_operation(context, "put", file, number, request.file, ui);
    if (!guard.release(&error))
        ui.tell(error);
    finish_working_file(request, paths.working);
    result.revision = number;
    return finish(true);
}

}  // namespace vyn::versions
