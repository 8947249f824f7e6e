#include "ide/shell/utilities.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "common/strings.h"
#include "ide/command_ids.h"
#include "ide/editor/search_walker.h"

namespace vyn::shell {

using vyn::format;

namespace {

std::string cut(std::string_view text, std::size_t limit)
{
    return std::string(text.substr(0, limit));
}

UtilityRecord limited(UtilityRecord record)
{
    record.name = cut(record.name, kMaxMenuEntry);
    record.program = cut(record.program, kMaxUtilityText);
    record.arguments = cut(record.arguments, kMaxUtilityText);
    record.start_dir = cut(record.start_dir, kMaxUtilityText);
    return record;
}

}  // namespace

int utility_command(int slot)
{
    assert(slot >= 0 && slot < kMaxUtilities);
    return CM_FIRST_UTILITY + slot;
}

std::optional<int> utility_slot(int command)
{
    int slot = command - CM_FIRST_UTILITY;
    if (slot < 0 || slot >= kMaxUtilities)
        return std::nullopt;
    return slot;
}

std::string utility_key_text(int slot)
{
    return format("%s+F%d", "Shift", slot + 1);
}

std::string utility_menu_label(const UtilityRecord& utility)
{
    return format("%s\t%s+F%d", utility.name.c_str(), "Shift", utility_slot(utility.command).value_or(0) + 1);
}

// ---- the list -------------------------------------------------------------------

UtilityList UtilityList::from_settings(const std::vector<Utility>& stored)
{
    UtilityList list;
    std::vector<const Utility*> without_slot;
    for (const Utility& u : stored) {
        UtilityRecord record{0, 0, u.nickname, u.progname, u.progargs, u.start_dir};
        std::optional<long> id = vyn::parse_long(vyn::trim(u.id));
        std::optional<int> slot = id ? utility_slot(int(*id)) : std::nullopt;
        if (slot && !list.find(*id)) {
            record.command = int(*id);
            list.insert_in_slot_order(limited(std::move(record)));
        } else {
            without_slot.push_back(&u);
        }
    }
    // Records whose id is missing, wrong or taken twice fill the free slots in order.
    for (const Utility* u : without_slot) {
        std::optional<int> slot = list.first_free_slot();
        if (!slot)
            break;
        list.insert_in_slot_order(limited({utility_command(*slot), 0, u->nickname, u->progname, u->progargs, u->start_dir}));
    }
    return list;
}

std::vector<Utility> UtilityList::to_settings() const
{
    std::vector<Utility> stored;
    for (const UtilityRecord& r : records_)
        stored.push_back({r.name, r.program, r.arguments, r.start_dir, format("%d", r.command)});
    return stored;
}

std::optional<int> UtilityList::first_free_slot() const
{
    for (int slot = 0; slot < kMaxUtilities; ++slot)
        if (!find(utility_command(slot)))
            return slot;
    return std::nullopt;
}

const UtilityRecord* UtilityList::find(int command) const
{
    for (const UtilityRecord& r : records_)
        if (r.command == command)
            return &r;
    return nullptr;
}

UtilityRecord* UtilityList::find_mutable(int command)
{
    return const_cast<UtilityRecord*>(std::as_const(*this).find(command));
}

void UtilityList::insert_in_slot_order(UtilityRecord record)
{
    assert(utility_slot(record.command) && !find(record.command));
    auto place = std::find_if(records_.begin(), records_.end(),
                              [&](const UtilityRecord& r) { return r.command > record.command; });
    records_.insert(place, std::move(record));
}

std::optional<std::string> UtilityList::check_name(std::string_view name, int command) const
{
    std::string entry = cut(name, kMaxMenuEntry);
    if (entry.empty())
        return "Missing name";
    for (const UtilityRecord& r : records_)
        if (r.command != command && r.name == entry)
            return "Name already used";
    return std::nullopt;
}

std::optional<std::string> UtilityList::add(UtilityRecord& record)
{
    std::optional<int> slot = first_free_slot();
    if (!slot)
        return "Maximum 12 utilities";
    if (auto refusal = check_name(record.name))
        return refusal;
    record = limited(std::move(record));
    record.command = utility_command(*slot);
    insert_in_slot_order(record);
    return std::nullopt;
}

std::optional<std::string> UtilityList::rename(int command, std::string_view name)
{
    UtilityRecord* record = find_mutable(command);
    if (!record)
        return std::nullopt;
    if (auto refusal = check_name(name, command))
        return refusal;
    record->name = cut(name, kMaxMenuEntry);
    return std::nullopt;
}

bool UtilityList::change(int command, const UtilityRecord& values)
{
    UtilityRecord* record = find_mutable(command);
    if (!record)
        return false;
    record->program = cut(values.program, kMaxUtilityText);
    record->arguments = cut(values.arguments, kMaxUtilityText);
    record->start_dir = cut(values.start_dir, kMaxUtilityText);
    record->flags = values.flags;
    return true;
}

bool UtilityList::erase(int command)
{
    auto found = std::find_if(records_.begin(), records_.end(), [&](const UtilityRecord& r) { return r.command == command; });
    if (found == records_.end())
        return false;
    records_.erase(found);
    return true;
}

// ---- expansion values of a view ---------------------------------------------------

void fill_cursor_values(const vyn::editor::View& view, project::ExpansionValues& values)
{
    const vyn::editor::Document* document = view.document;
    if (!document || view.cursor.line < 0 || view.cursor.line >= document->line_count())
        return;
    const std::string& text = document->lines[std::size_t(view.cursor.line)].text;
    std::size_t at = std::min(std::size_t(std::max(view.cursor.column, 0)), text.size());
    std::size_t left = at, right = at;
    while (left > 0 && vyn::editor::is_identifier_char(text[left - 1]))
        --left;
    while (right < text.size() && vyn::editor::is_identifier_char(text[right]))
        ++right;
    values.current_text = text.substr(left, right - left);
    values.cursor = text.substr(left, at - left);

    values.selection.clear();
    values.selection_multiline = false;
    if (!view.has_selection())
        return;
    vyn::editor::Position from = std::min(*view.anchor, view.cursor), to = std::max(*view.anchor, view.cursor);
    if (from.line != to.line) {
        values.selection_multiline = true;
        return;
    }
    std::size_t start = std::min(std::size_t(std::max(from.column, 0)), text.size());
    std::size_t end = std::min(std::size_t(std::max(to.column, 0)), text.size());
    values.selection = text.substr(start, end - start);
}

}  // namespace vyn::shell
