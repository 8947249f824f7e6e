#include "ide/versions/revision_tree.h"

#include "common/strings.h"
#include "ide/versions/edit_script.h"
#include "ide/versions/revision_number.h"

namespace vyn::versions {

/* revision_path: follows the main line from the head to the revision named
 * by the first two fields of number, then, two fields at a time, the branch
 * whose start shares the next field and its chain up to the revision named
 * by the next pair. The walk is bounded by the count of revisions, so a
 * damaged tree cannot make it loop. */
bool revision_path(const RevisionFile& file, const std::string& number, std::vector<std::string>& path,
                   std::string& error)
{
    path.clear();
    std::vector<std::uint32_t> target = number_fields(number);
    if (target.empty() || target.size() % 2 != 0 || file.head.empty()) {
        error = format("Can't find delta for revision %s", number.c_str());
        return false;
    }
    const std::size_t limit = file.revisions.size() + 1;
    const Revision* node = file.find(file.head);
    for (std::size_t level = 2;; level += 2) {
        std::string want = join_fields(std::vector<std::uint32_t>(target.begin(), target.begin() + level));
        while (node && node->number != want && path.size() < limit) {
            path.push_back(node->number);
            node = node->next.empty() ? nullptr : file.find(node->next);
            // On the main line the chain runs from newer to older; on a
            // branch from older to newer. Either way the wanted revision
            // must come before the chain ends.
        }
        if (!node || path.size() >= limit) {
            error = format("Can't find delta for revision %s", number.c_str());
            return false;
        }
        path.push_back(node->number);
        if (level == target.size())
            return true;
        std::vector<std::uint32_t> branch(target.begin(), target.begin() + level + 1);
        const Revision* start = nullptr;
        for (const std::string& b : node->branches) {
            std::vector<std::uint32_t> f = number_fields(b);
            if (f.size() > level && std::equal(branch.begin(), branch.end(), f.begin())) {
                start = file.find(b);
                break;
            }
        }
        if (!start) {
            error = format("Can't find delta for revision %s", number.c_str());
            return false;
        }
        node = start;
    }
}

bool rebuild_text(const RevisionFile& file, const std::string& number, std::string& text, std::string& error)
{
    std::vector<std::string> path;
    if (!revision_path(file, number, path, error))
        return false;
    const Revision* head = file.find(path.front());
    text = head->text;
    std::string next_text;
    for (std::size_t i = 1; i < path.size(); ++i) {
        const Revision* r = file.find(path[i]);
        if (!apply_edit_script(r->text, Lines(std::move(text)), next_text, error))
            return false;
        text.swap(next_text);
    }
    return true;
}

std::string branch_of(const std::string& number)
{
    std::size_t n = field_count(number);
    return n == 0 ? std::string() : leading_fields(number, n - 1);
}

std::string last_on_branch(const RevisionFile& file, const std::string& branch)
{
    std::vector<std::uint32_t> fields = number_fields(branch);
    if (file.head.empty() || fields.empty() || fields.size() % 2 == 0)
        return {};
    if (fields.size() == 1) {
        std::size_t steps = 0;
        for (const Revision* r = file.find(file.head); r && steps <= file.revisions.size(); ++steps) {
            if (number_fields(r->number)[0] == fields[0])
                return r->number;
            r = r->next.empty() ? nullptr : file.find(r->next);
        }
        return {};
    }
    std::string base = leading_fields(branch, fields.size() - 1);
    const Revision* r = file.find(base);
    if (!r)
        return {};
    const Revision* node = nullptr;
    for (const std::string& b : r->branches)
        if (branch_of(b) == branch)
            node = file.find(b);
    std::size_t steps = 0;
    while (node && !node->next.empty() && steps++ <= file.revisions.size()) {
        const Revision* n = file.find(node->next);
        if (!n)
            break;
        node = n;
    }
    return node ? node->number : std::string();
}

std::string stored_against(const RevisionFile& file, const std::string& number)
{
    for (const Revision& r : file.revisions) {
        if (r.deleted)
            continue;
        if (r.next == number)
            return r.number;
        for (const std::string& b : r.branches)
            if (b == number)
                return r.number;
    }
    return {};
}

bool is_last_of_branch(const RevisionFile& file, const std::string& number)
{
    if (field_count(number) == 2)
        return number == file.head;
    const Revision* r = file.find(number);
    return r && r->next.empty();
}

std::string resolve_revision(const RevisionFile& file, const std::string& wanted)
{
    std::string number = wanted;
    for (const auto& [name, rev] : file.names)
        if (name == wanted)
            number = rev;
    if (!is_dotted_number(number))
        return {};
    if (field_count(number) % 2 == 1)
        return last_on_branch(file, number);
    return file.find(number) ? number : std::string();
}

}  // namespace vyn::versions
