#include "ide/versions/store_layout.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/strings.h"
#include "common/winpath.h"
#include "ide/versions/file_io.h"
#include "ide/versions/revision_number.h"
#include "ide/versions/revision_tree.h"

namespace vyn::versions {

std::string default_cms_directory(const std::string& current_directory)
{
    return host_join(current_directory, "CMS");
}

bool check_store_names(const std::string& cms_directory, const std::string& current_directory,
                       std::string_view file_name, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path a = fs::weakly_canonical(fs::absolute(cms_directory, ec), ec);
    fs::path b = fs::weakly_canonical(fs::absolute(current_directory, ec), ec);
    if (a == b) {
        error = "Cms directory should be different from current directory";
        return false;
    }
    if (file_name.empty() || file_name.find('\\') != std::string_view::npos ||
        file_name.find('/') != std::string_view::npos || file_name == "." || file_name == "..") {
        error = "Incorrect CMS file name";
        return false;
    }
    if (file_name.find('$') != std::string_view::npos) {
        error = format("CMS file name may not contain %c", '$');
        return false;
    }
    if (is_store_file_name(file_name)) {
        error = format("Incorrect CMS file name %.*s: the CMS directory keeps its log and lock files under such names",
                       static_cast<int>(file_name.size()), file_name.data());
        return false;
    }
    return true;
}

/* is_store_file_name: a lock file name has 8 characters, a dot and 3
 * characters, and either part ends in the padding "_" (a short part) or,
 * for a full 8.3 name, the extension's last character was made "_". */
bool is_store_file_name(std::string_view file_name)
{
    if (equals_nocase(file_name, "LOGFILE.LOG"))
        return true;
    return file_name.size() == 12 && file_name[8] == '.' && (file_name[7] == '_' || file_name[11] == '_');
}

/* lock_file_name: the name part (before the last dot) cut to 8 characters
 * and padded with "_" to 8, a dot, the extension cut to 3 and padded to 3.
 * When both are full, the first character of the name and the last of the
 * extension become "_", so that the lock file never has the name of a
 * revision file in 8.3 form. */
std::string lock_file_name(std::string_view revision_file_name)
{
    std::string_view base = winpath::base_name(revision_file_name);
    std::size_t dot = base.rfind('.');
    std::string name(base.substr(0, dot));
    std::string ext(dot == std::string_view::npos ? std::string_view() : base.substr(dot + 1));
    if (name.size() > 8)
        name.resize(8);
    if (ext.size() > 3)
        ext.resize(3);
    bool full = name.size() == 8 && ext.size() == 3;
    name.resize(8, '_');
    ext.resize(3, '_');
    if (full) {
        name[0] = '_';
        ext[2] = '_';
    }
    return name + "." + ext;
}

bool RevisionFileLock::acquire(const std::string& cms_directory, const std::string& file_name,
                               const std::string& user, const std::string& date, std::string& error)
{
    std::string lock_path = host_join(cms_directory, lock_file_name(file_name));
    std::string revision_path = host_join(cms_directory, file_name);
    if (file_present(lock_path)) {
        error = format("CMS file %s is in use", revision_path.c_str());
        return false;
    }
    std::string line = format("%s|%s|%s\n", user.c_str(), revision_path.c_str(), date.c_str());
    bool existed = false;
    if (!file_.create(lock_path, line, existed)) {
        // Someone may have taken it between the test and the creation.
        error = existed ? format("CMS file %s is in use", revision_path.c_str())
                        : format("Impossible to create the temporary CMS file %s", lock_path.c_str());
        return false;
    }
    revision_path_ = revision_path;
    fault_point();
    return true;
}

bool RevisionFileLock::release(std::string* error)
{
    if (!file_.held())
        return true;
    if (!file_.remove()) {
        if (error)
            *error = format("Impossible to find the semaphore file for %s", revision_path_.c_str());
        return false;
    }
    return true;
}

bool revision_file_in_use(const std::string& cms_directory, const std::string& file_name)
{
    return file_present(host_join(cms_directory, lock_file_name(file_name)));
}

PathCounts path_counts(const RevisionFile& file, const std::string& number)
{
    PathCounts counts;
    std::vector<std::string> path;
    std::string ignored;
    if (!revision_path(file, number, path, ignored))
        return counts;
    for (const std::string& n : path) {
        if (field_count(n) == 2)
            counts.main_line++;
        else
            counts.other++;
    }
    return counts;
}

std::string log_record(const std::string& operation, const std::string& revision, PathCounts counts,
                       std::size_t revisions_in_file, const std::string& revision_date,
                       const std::string& operation_date, const std::string& user, const std::string& file_name)
{
    return format("%s %10sr %3db %3df %3dt %sc %so %s %s\n\n", operation.c_str(), revision.c_str(), counts.main_line,
                  counts.other, static_cast<int>(revisions_in_file), revision_date.c_str(), operation_date.c_str(),
                  user.c_str(), file_name.c_str());
}

bool append_operation_log(const std::string& cms_directory, const std::string& record, std::string& error)
{
    std::string lock = host_join(cms_directory, "_LOGFILE.LO_");
    std::string log = host_join(cms_directory, "LOGFILE.LOG");
    HeldFile held;
    for (int attempt = 0; attempt < 50 && !held.held(); ++attempt) {
        bool existed = false;
        if (!file_present(lock) && held.create(lock, "", existed))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!held.held()) {
        error = "Log file locked. No log";
        return false;
    }
    bool ok = append_to_file(log, record);
    held.remove();
    if (!ok)
        error = format("Impossible to write in %s", log.c_str());
    return ok;
}

bool clear_stale_lock(const std::string& cms_directory, const std::string& file_name, Ui& ui)
{
    std::string lock = host_join(cms_directory, file_name.empty() ? std::string("_LOGFILE.LO_") : lock_file_name(file_name));
    std::string guarded = host_join(cms_directory, file_name.empty() ? std::string("LOGFILE.LOG") : file_name);
    if (!file_present(lock)) {
        ui.tell(format("No lock file for %s", guarded.c_str()));
        return true;
    }
    std::string holder;
    read_whole_file(lock, holder);  // only to show who held it
    std::string shown(trim_right(holder));
    if (!ui.ask(format("Lock file %s%s%s%s. Remove it if no program uses %s any more?", lock.c_str(),
                       shown.empty() ? "" : " (", shown.c_str(), shown.empty() ? "" : ")", guarded.c_str())))
        return false;
    switch (remove_stale_lock(lock)) {
    case StaleLock::Removed:
        ui.tell(format("Lock file %s removed", lock.c_str()));
        return true;
    case StaleLock::Absent:
        ui.tell(format("No lock file for %s", guarded.c_str()));
        return true;
    case StaleLock::InUse:
        ui.tell(format("CMS file %s is in use", guarded.c_str()));
        return false;
    case StaleLock::Failed:
        break;
    }
    ui.tell(format("Impossible to remove the lock file %s", lock.c_str()));
    return false;
}

}  // namespace vyn::versions
