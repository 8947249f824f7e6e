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

}  // namespace

PutResult put_file(const StoreContext& context, const PutRequest& request, Ui& ui)
{
    PutResult result;
    auto finish = [&](bool ok) {
        if (!request.quiet)
            ui.tell(format("Put command done. Termination code %d", ok ? 1 : 0));
        result.ok = ok;
        return result;
    };
    std::string error;
    if (!check_store_names(context.cms_directory, context.working_directory, request.file, error) ||
        !check_user_name(context.user, error)) {
        ui.tell(error);
        return finish(false);
    }
    const std::string working_path = host_join(context.working_directory, request.file);
    const std::string revision_path = host_join(context.cms_directory, request.file);
    if (!directory_present(context.cms_directory)) {
        if (!ui.ask("Cms directory does not exist. Create it?"))
            return finish(false);
        if (!make_directory(context.cms_directory)) {
            ui.tell(format("Directory %s not found", context.cms_directory.c_str()));
            return finish(false);
        }
    }
    std::string content;
    if (!file_present(working_path) || !read_whole_file(working_path, content)) {
        ui.tell(format("File %s not found!", working_path.c_str()));
        return finish(false);
    }
    if (!request.quiet)
        ui.tell(format("%s devient %s", working_path.c_str(), revision_path.c_str()));

    const std::string date = now(context);
    RevisionFileLock guard;
    if (!guard.acquire(context.cms_directory, request.file, context.user, date, error)) {
        ui.tell(error);
        return finish(false);
    }
    RevisionFile file;
    if (file_present(revision_path) && !load_revision_file(context, request.file, file, error)) {
        ui.tell(error);
        return finish(false);
    }
    // A file whose revisions were all deleted takes a new initial revision;
    // locks and names left in it name nothing.
    const bool initial = file.head.empty();
    if (initial) {
        file.binary = is_binary_name(request.file);
        file.revisions.clear();
        file.locks.clear();
        file.names.clear();
    }
    if (!on_access_list(context, file)) {
        ui.tell(format("User %s not on the access list", context.user.c_str()));
        return finish(false);
    }
    if (file.binary)
        content = uuencode(content, request.file);

    // The predecessor: the user's locked revision, else the default branch's
    // newest, else the head.
    std::string pred;
    std::string own_lock;
    if (!file.head.empty()) {
        own_lock = locked_by(context, file, context.user);
        if (context.options.use_locks && !own_lock.empty())
            pred = own_lock;
        else
            pred = default_revision(file);
        if (pred.empty())
            pred = file.head;
        if (!file.find(pred)) {
            ui.tell(format("Can't find delta for revision %s", pred.c_str()));
            return finish(false);
        }
        std::string holder = lock_holder(file, pred);
        if (context.options.use_locks && !holder.empty() && !same_user(context, holder, context.user)) {
            ui.tell(format("Version %s locked by %s", pred.c_str(), holder.c_str()));
            return finish(false);
        }
    }
    std::string number = choose_number(file, pred, request.revision, error);
    if (number.empty()) {
        ui.tell(error);
        return finish(false);
    }
    if (file.find(number)) {
        ui.tell(format("Number %s too small. It should be greater than %s", number.c_str(), file.head.c_str()));
        return finish(false);
    }
    if (pred.empty())
        ui.tell(format("Initial revision: %s", number.c_str()));
    else
        ui.tell(format("New revision %s, last revision was %s", number.c_str(), pred.c_str()));

    const Revision* pred_rev = pred.empty() ? nullptr : file.find(pred);
    if (pred_rev && compare_numbers(date, pred_rev->date) <= 0) {
        ui.tell(format("Date %s is not later than %s in existing revision %s", date.c_str(), pred_rev->date.c_str(),
                       pred.c_str()));
        return finish(false);
    }
    if (!request.name.empty()) {
        if (!valid_revision_name(request.name)) {
            ui.tell(format("Incorrect revision name %s", request.name.c_str()));
            return finish(false);
        }
        for (const auto& [name, rev] : file.names)
            if (name == request.name) {
                ui.tell(format("symbolic name %s already bound to %s", name.c_str(), rev.c_str()));
                return finish(false);
            }
    }

    std::string message = request.message;
    if (initial)
        message = "Initial revision";
    else if (message.empty())
        message = format("Saved by %s  %s.\n", context.user.c_str(), date.c_str());
    if (message.size() > kMaxLogMessage)
        message.resize(kMaxLogMessage);

    std::string pred_text;
    if (!pred.empty() && !rebuild_text(file, pred, pred_text, error)) {
        ui.tell(error);
        return finish(false);
    }
    if (!pred.empty() && pred_text == content) {
        std::string note = format("File %s is identical to revision %s", working_path.c_str(), pred.c_str());
        bool save = false;
        if (request.quiet)
            ui.tell(note);
        else
            save = ui.ask(note + " Save anyway?");
        if (!save) {
            guard.release(nullptr);
            finish_working_file(request, working_path);
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
    if (initial) {
        added.text = std::move(content);
        file.head = number;
        if (!request.message.empty())
            file.description = request.message;
        file.text_order = {number};
    } else if (field_count(number) == 2) {
        // A new head: it holds the whole text, the old head becomes the
        // edit script from the new text back to it.
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
    finish_working_file(request, working_path);
    result.revision = number;
    return finish(true);
}

}  // namespace vyn::versions
