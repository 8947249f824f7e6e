// Where the store keeps things: the CMS directory, the revision file of a
// working file, the lock file that guards a revision file while it changes,
// and the operations log.
#pragma once

#include <string>
#include <string_view>

#include "ide/versions/held_file.h"
#include "ide/versions/revision_file.h"
#include "ide/versions/ui.h"

namespace vyn::versions {

// The CMS directory used without a project: the current directory followed
// by "CMS".
std::string default_cms_directory(const std::string& current_directory);

// Checks a working file name and the CMS directory: "Cms directory should be
// different from current directory", "Incorrect CMS file name", "CMS file
// name may not contain %c". A name whose revision file would be the
// operations log, its lock file or any revision file's lock file is
// refused too. true when they are acceptable.
bool check_store_names(const std::string& cms_directory, const std::string& current_directory,
                       std::string_view file_name, std::string& error);

// The 8.3 lock file name of a revision file name: hello.c -> hello___.c__,
// abcdefgh.txt -> _bcdefgh.tx_.
std::string lock_file_name(std::string_view revision_file_name);

// True when a file of that name in the CMS directory could be the
// operations log, its lock file or the lock file of a revision file (names
// compared without regard to case, as the file system does on Windows).
bool is_store_file_name(std::string_view file_name);

/* Holds the lock file of one revision file for the life of the object.
 * acquire() creates it exclusively with the line "user|revision path|date"
 * and keeps it open (see HeldFile); the destructor (or release()) deletes
 * it. */
class RevisionFileLock {
public:
    RevisionFileLock() = default;
    RevisionFileLock(const RevisionFileLock&) = delete;
    RevisionFileLock& operator=(const RevisionFileLock&) = delete;
    ~RevisionFileLock() { release(nullptr); }

    bool acquire(const std::string& cms_directory, const std::string& file_name, const std::string& user,
                 const std::string& date, std::string& error);
    // Deletes the lock file; false with a message when it had vanished.
    bool release(std::string* error);
    bool held() const { return file_.held(); }

private:
    HeldFile file_;
    std::string revision_path_;
};

// True when the lock file of file_name exists in the CMS directory.
bool revision_file_in_use(const std::string& cms_directory, const std::string& file_name);

// Counts for a log record: revisions on the path from the head to number
// with two fields (b) and others (f).
struct PathCounts {
    int main_line = 0;
    int other = 0;
};
PathCounts path_counts(const RevisionFile& file, const std::string& number);

// One record of the operations log (the line and the empty line after it).
std::string log_record(const std::string& operation, const std::string& revision, PathCounts counts,
                       std::size_t revisions_in_file, const std::string& revision_date,
                       const std::string& operation_date, const std::string& user, const std::string& file_name);

// Appends a record to LOGFILE.LOG in the CMS directory under its lock file
// "_LOGFILE.LO_", trying up to 50 times while another writer holds it.
// false with "Log file locked. No log" (or a write failure) in error.
bool append_operation_log(const std::string& cms_directory, const std::string& record, std::string& error);

/* Removes a lock file left behind by a program that stopped: the lock file
 * of file_name, or with an empty file_name the operations log's. Asks
 * first, showing the holder's line; refused with "CMS file %s is in use"
 * while a program on this machine holds it. true when no stale lock file
 * is left. */
bool clear_stale_lock(const std::string& cms_directory, const std::string& file_name, Ui& ui);

}  // namespace vyn::versions
