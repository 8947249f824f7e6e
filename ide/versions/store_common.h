// Pieces shared by the store operations (internal to the library).
#pragma once

#include <string>

#include "ide/versions/revision_file.h"
#include "ide/versions/store.h"
#include "ide/versions/ui.h"

namespace vyn::versions::detail {

// The two paths of one file of the store.
struct FilePaths {
    std::string working;   // the working file
    std::string revision;  // its revision file in the CMS directory
};

/* start_file_operation: the preamble of get and put. Checks the store's
 * names and the user's; on success sets paths, else tells the message and
 * returns false. */
bool start_file_operation(const StoreContext& context, const std::string& file_name, Ui& ui, FilePaths& paths);

std::string now(const StoreContext& context);
bool same_user(const StoreContext& context, const std::string& a, const std::string& b);
// The user holding a lock on revision, or empty.
std::string lock_holder(const RevisionFile& file, const std::string& revision);
// The revision locked by user, or empty.
std::string locked_by(const StoreContext& context, const RevisionFile& file, const std::string& user);
void remove_lock(RevisionFile& file, const std::string& revision);
bool on_access_list(const StoreContext& context, const RevisionFile& file);

// Writes file as the revision file of file_name: a temporary file in the
// CMS directory renamed over the old one; read-only afterwards when the
// options say so.
bool write_store_file(const StoreContext& context, const std::string& file_name, const RevisionFile& file,
                      Ui& ui);

// Appends one record for revision of file to the operations log; a failure
// is told but does not fail the operation.
void log_operation(const StoreContext& context, const std::string& operation, const RevisionFile& file,
                   const std::string& revision, const std::string& file_name, Ui& ui);

}  // namespace vyn::versions::detail
