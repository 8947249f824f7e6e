// The store operations on one working file: put (check-in), get
// (check-out), the administrative requests, and change detection.
//
// Every operation that changes a revision file holds its lock file while it
// works, writes the new revision file to a temporary file in the CMS
// directory and renames it over the old one, so that the store always holds
// the old or the new file whole; a working file is deleted only after the
// new revision file is in place. Each returns true on success; failures are
// told through the Ui and leave the revision file unchanged.
#pragma once

#include <string>
#include <vector>

#include "ide/versions/revision_file.h"
#include "ide/versions/ui.h"

namespace vyn::versions {

// Project options that rule the store (registry values of the project key).
struct StoreOptions {
    bool read_only_files = false;  // FileOptions 0x1: revision files made read-only
    bool use_locks = true;         // LockOptions 0x1
    bool users_nocase = true;      // UsersOptions 0x1: user names compare without case
};

struct StoreContext {
    std::string cms_directory;
    std::string working_directory;  // where working files live
    std::string user;
    std::string date;  // "now" in the store's form; empty: the clock
    StoreOptions options;
};

struct PutRequest {
    std::string file;       // working file name, no directory
    std::string message;    // log message
    std::string revision;   // typed number, or empty
    std::string name;       // revision name to bind, or empty
    bool keep_source = false;
    bool lock = false;
    bool quiet = false;
};

struct GetRequest {
    std::string file;
    std::string revision;  // number, branch or revision name; empty: default
    bool lock = false;
    bool unlock = false;
    bool overwrite = false;
    bool quiet = false;
    // Query filters: the newest revision at or before the chosen one on its
    // line that is not later than date, by author, in state (empty: any).
    std::string date;
    std::string author;
    std::string state;
};

// Result of a put: the new revision's number (empty when none was made).
struct PutResult {
    bool ok = false;
    std::string revision;
};

PutResult put_file(const StoreContext& context, const PutRequest& request, Ui& ui);
bool get_file(const StoreContext& context, const GetRequest& request, Ui& ui);

// The administrative requests, applied together under one lock.
struct AdminRequest {
    std::string file;
    bool set_default_branch = false;
    std::string default_branch;  // a revision or branch; empty clears it
    bool lock = false;
    bool unlock = false;
    std::string lock_revision;   // empty: the user's own lock / the default revision
    std::vector<std::string> delete_revisions;  // numbers, or "a:b" ranges on one line
    std::string manager;         // the only user allowed to delete
    bool set_access = false;
    std::vector<std::string> access;
    std::vector<std::pair<std::string, std::string>> bind_names;  // name, revision (empty: remove)
    std::vector<std::pair<std::string, std::string>> states;      // state, revision
    bool set_description = false;
    std::string description;
};
bool administer(const StoreContext& context, const AdminRequest& request, Ui& ui);

// Checks a user name before it goes into revision files, lock files and the
// log: "User name empty?" for an empty one; a blank, a control character,
// ":", ";" or "@" is refused, since the revision file separates its words
// with them. The CMS login and every operation call it.
bool check_user_name(const std::string& user, std::string& error);

// Reads and parses the revision file of file_name; messages as in parsing.
bool load_revision_file(const StoreContext& context, const std::string& file_name, RevisionFile& file,
                        std::string& error);

// 1 when the working file differs from its latest revision or has no
// revision file, 0 when it equals it, 2 when it cannot be read.
int file_changed(const StoreContext& context, const std::string& file_name);

// The revision a get would choose with no revision given: the newest of the
// default branch, else the head.
std::string default_revision(const RevisionFile& file);

}  // namespace vyn::versions
