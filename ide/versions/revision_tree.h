// Walking the revision tree: the path from the head to a revision, the last
// revision of a branch, and rebuilding any revision's text.
#pragma once

#include <string>
#include <vector>

#include "ide/versions/revision_file.h"

namespace vyn::versions {

// The revisions from the head down the main line and into the branches up
// to number, both ends included. false with a message when there is no such
// revision.
bool revision_path(const RevisionFile& file, const std::string& number, std::vector<std::string>& path,
                   std::string& error);

// The text of revision number: the head's text with the edit scripts of the
// path applied in order.
bool rebuild_text(const RevisionFile& file, const std::string& number, std::string& text, std::string& error);

// The newest revision of a branch: "1" or any one-field number names the
// main line (its newest revision with that first field, else the head), an
// odd count of fields a side branch. Empty when there is none.
std::string last_on_branch(const RevisionFile& file, const std::string& branch);

// The branch a revision is on ("1.2" -> "1", "1.2.1.3" -> "1.2.1").
std::string branch_of(const std::string& number);

// The revision a revision is stored against in the other direction: for a
// main-line revision the newer one (empty for the head), for a branch
// revision its predecessor.
std::string stored_against(const RevisionFile& file, const std::string& number);

// True when nothing follows number on its line of development.
bool is_last_of_branch(const RevisionFile& file, const std::string& number);

// A revision named by number, branch or revision name; empty when none.
std::string resolve_revision(const RevisionFile& file, const std::string& wanted);

}  // namespace vyn::versions
