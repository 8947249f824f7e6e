// The revision file: an administrative header, the tree of revisions, a
// descriptive text and, for every revision, its log message and its text.
// The head's text is the whole file; an older main-line revision's text is
// the edit script from the next newer one to it; a branch revision's text is
// the edit script from its predecessor to it.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vyn::versions {

struct Revision {
    std::string number;
    std::string date;
    std::string author;
    std::string state;
    std::vector<std::string> branches;  // first revision of each branch
    std::string next;                   // older on the main line, newer on a branch
    std::string log;
    std::string text;
    bool has_text = false;
    bool deleted = false;
};

struct RevisionFile {
    std::string head;
    std::string default_branch;
    std::vector<std::string> access;
    std::vector<std::pair<std::string, std::string>> names;  // name, revision
    std::vector<std::pair<std::string, std::string>> locks;  // user, revision
    std::string comment;
    int version = 2;
    bool binary = false;
    std::string description;
    std::vector<Revision> revisions;
    std::vector<std::string> text_order;  // the order of the text blocks as read

    Revision* find(std::string_view number);
    const Revision* find(std::string_view number) const;
    // Number of revisions (deleted ones not counted).
    std::size_t count() const;
};

// Parses a revision file. On failure returns false with the message in
// error; the structure is then unspecified.
bool parse_revision_file(std::string_view bytes, RevisionFile& file, std::string& error);

// The file in its written layout. Revisions are written in depth-first
// order from the head; texts in text_order, then any not listed there.
std::string write_revision_file(const RevisionFile& file);

// "@" doubled.
std::string quote_at(std::string_view text);

}  // namespace vyn::versions
