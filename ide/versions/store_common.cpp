#include "ide/versions/store_common.h"

#include "common/strings.h"
#include "ide/versions/file_io.h"
#include "ide/versions/revision_number.h"
#include "ide/versions/store_layout.h"

namespace vyn::versions {

bool check_user_name(const std::string& user, std::string& error)
{
    if (user.empty()) {
        error = "User name empty?";
        return false;
    }
    for (char c : user) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u <= 32 || u == 127) {
            error = format("User name %s may not contain blanks or control characters", user.c_str());
            return false;
        }
        if (c == ':' || c == ';' || c == '@') {
            error = format("User name %s may not contain %c", user.c_str(), c);
            return false;
        }
    }
    return true;
}

}  // namespace vyn::versions

namespace vyn::versions::detail {

bool start_file_operation(const StoreContext& context, const std::string& file_name, Ui& ui, FilePaths& paths)
{
    std::string error;
    if (!check_store_names(context.cms_directory, context.working_directory, file_name, error) ||
        !check_user_name(context.user, error)) {
        ui.tell(error);
        return false;
    }
    paths.working = host_join(context.working_directory, file_name);
    paths.revision = host_join(context.cms_directory, file_name);
    return true;
}

std::string now(const StoreContext& context)
{
    return context.date.empty() ? date_now() : context.date;
}

bool same_user(const StoreContext& context, const std::string& a, const std::string& b)
{
    return context.options.users_nocase ? equals_nocase(a, b) : a == b;
}

std::string lock_holder(const RevisionFile& file, const std::string& revision)
{
    for (const auto& [user, rev] : file.locks)
        if (rev == revision)
            return user;
    return {};
}

std::string locked_by(const StoreContext& context, const RevisionFile& file, const std::string& user)
{
    for (const auto& [holder, rev] : file.locks)
        if (same_user(context, holder, user))
            return rev;
    return {};
}

void remove_lock(RevisionFile& file, const std::string& revision)
{
    std::erase_if(file.locks, [&](const auto& lock) { return lock.second == revision; });
}

bool on_access_list(const StoreContext& context, const RevisionFile& file)
{
    if (file.access.empty())
        return true;
    for (const std::string& user : file.access)
        if (equals_nocase(user, context.user))
            return true;
    return false;
}

namespace {

/* reads_back: the temporary file holds exactly bytes, and they parse into
 * the same head and count of revisions as the file they were made from. A
 * revision file that would not read back is never put in place. */
bool reads_back(const std::string& temp, const std::string& bytes, const RevisionFile& file, std::string& error)
{
    std::string back;
    if (!read_whole_file(temp, back) || back != bytes) {
        error = "the written bytes differ";
        return false;
    }
    RevisionFile parsed;
    if (!parse_revision_file(back, parsed, error))
        return false;
    if (parsed.head != file.head || parsed.count() != file.count()) {
        error = "revisions differ";
        return false;
    }
    return true;
}

}  // namespace

bool write_store_file(const StoreContext& context, const std::string& file_name, const RevisionFile& file, Ui& ui)
{
    std::string revision_path = host_join(context.cms_directory, file_name);
    std::string temp = fresh_temporary_name(context.cms_directory, "cms");
    std::string bytes = write_revision_file(file);
    if (!write_temporary(temp, bytes)) {
        delete_file(temp);
        ui.tell(format("Impossible to create the temporary CMS file %s", temp.c_str()));
        return false;
    }
    std::string error;
    if (!reads_back(temp, bytes, file, error)) {
        delete_file(temp);
        ui.tell(format("The new CMS file %s does not read back (%s); the CMS file is unchanged", revision_path.c_str(),
                       error.c_str()));
        return false;
    }
    fault_point();
    if (file_present(revision_path))
        make_writable(revision_path);
    if (!replace_file(temp, revision_path)) {
        ui.tell(format("Impossible to write in the new CMS file %s. The output is saved in %s", revision_path.c_str(),
                       temp.c_str()));
        return false;
    }
    fault_point();
    if (context.options.read_only_files && !make_read_only(revision_path))
        ui.tell(format("Impossible to change %s to read-only mode", revision_path.c_str()));
    return true;
}

void log_operation(const StoreContext& context, const std::string& operation, const RevisionFile& file,
                   const std::string& revision, const std::string& file_name, Ui& ui)
{
    const Revision* r = file.find(revision);
    std::string record = log_record(operation, revision, path_counts(file, revision), file.count(),
                                    r ? r->date : std::string(), now(context), context.user, file_name);
    std::string error;
    if (!append_operation_log(context.cms_directory, record, error))
        ui.tell(error);
}

}  // namespace vyn::versions::detail
