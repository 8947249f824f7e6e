#include "ide/versions/revision_file.h"

#include <set>

#include "common/strings.h"

namespace vyn::versions {

std::string quote_at(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        out += c;
        if (c == '@')
            out += '@';
    }
    return out;
}

namespace {

void write_admin(const RevisionFile& f, std::string& out)
{
    out += "This is a CMS file. Do NOT edit!\n";
    out += "Head     " + f.head;
    out += ";\nBranch   " + f.default_branch;
    out += ";\nAccess  ";
    if (f.access.empty())
        out += ' ';
    for (const std::string& user : f.access)
        out += ' ' + user;
    out += ";\nRevNames ";
    if (f.names.empty())
        out += ' ';
    for (const auto& [name, rev] : f.names)
        out += ' ' + name + ':' + rev;
    out += ";\nLocks   ";
    if (f.locks.empty())
        out += ' ';
    for (const auto& [user, rev] : f.locks)
        out += ' ' + user + ':' + rev;
    out += ";\nCmsVersion 2;\n";
    out += format("Binary %d;\n\n", f.binary ? 1 : 0);
}

void write_revision(const Revision& r, std::string& out)
{
    out += "\n" + r.number + "\n";
    out += "Date     " + r.date + ";\n  Author " + r.author + ";\n  State " + r.state;
    out += ";\nBranches     \n";
    if (r.branches.empty())
        out += ' ';
    for (const std::string& b : r.branches)
        out += ' ' + b;
    out += ";\nNext     " + r.next;
    out += ";\n";
}

// Depth first from the head: a revision, its chain, then its branches.
void write_tree(const RevisionFile& f, std::string& out)
{
    std::vector<std::string> pending;
    if (!f.head.empty())
        pending.push_back(f.head);
    std::set<std::string> done;
    while (!pending.empty()) {
        std::string n = std::move(pending.back());
        pending.pop_back();
        const Revision* r = f.find(n);
        if (!r || !done.insert(n).second)
            continue;
        write_revision(*r, out);
        for (auto b = r->branches.rbegin(); b != r->branches.rend(); ++b)
            pending.push_back(*b);
        if (!r->next.empty())
            pending.push_back(r->next);
    }
}

void write_string_block(std::string_view text, bool end_with_newline, std::string& out)
{
    out += '@';
    out += quote_at(text);
    if (end_with_newline && (text.empty() || text.back() != '\n'))
        out += '\n';
    out += '@';
}

void write_text(const Revision& r, std::string& out)
{
    out += "\n\n" + r.number + "\nLog\n";
    write_string_block(r.log, true, out);
    out += "\nText\n";
    write_string_block(r.text, false, out);
    out += "\n";
}

}  // namespace

std::string write_revision_file(const RevisionFile& f)
{
    std::string out;
    std::size_t total = 0;
    for (const Revision& r : f.revisions)
        total += r.text.size() + r.log.size() + 200;
    out.reserve(total + f.description.size() + 512);
    write_admin(f, out);
    write_tree(f, out);
    out += "\n\nDescription\n";
    write_string_block(f.description, true, out);
    out += "\n\n";
    std::set<std::string> written;
    for (const std::string& n : f.text_order) {
        const Revision* r = f.find(n);
        if (r && written.insert(n).second)
            write_text(*r, out);
    }
    for (const Revision& r : f.revisions)
        if (!r.deleted && written.insert(r.number).second)
            write_text(r, out);
    return out;
}

}  // namespace vyn::versions
