// The user utilities: up to twelve programs the user names, each in a slot
// 0 to 11 that fixes its command id (1300 plus the slot) and its key
// (Shift+F1 to Shift+F12). The list is kept in slot order; a slot freed by
// erasing is the first one a new utility takes. Stored in the settings as
// NumberOfUtilities and Util%dNickname, Util%dProgname, Util%dProgArgs,
// Util%dStartDir, Util%dID (the command id); the flags are not stored.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ide/editor/document.h"
#include "ide/project/external_tools.h"
#include "ide/shell/settings.h"

namespace vyn::shell {

inline constexpr int kMaxUtilities = 12;
inline constexpr std::size_t kMaxMenuEntry = 10;     // characters of a menu entry
inline constexpr std::size_t kMaxUtilityText = 512;  // program, arguments, start directory

namespace utilityflag {
constexpr unsigned save_output = 1;       // capture the output into a file and open it
constexpr unsigned show_return_code = 2;
}  // namespace utilityflag

struct UtilityRecord {
    int command = 0;  // 1300 plus the slot
    unsigned flags = 0;
    std::string name;  // the menu entry
    std::string program, arguments, start_dir;
};

// Slot 0..11 <-> command 1300..1311.
int utility_command(int slot);
std::optional<int> utility_slot(int command);
// "Shift+F%d" for the slot's key.
std::string utility_key_text(int slot);
// The Options menu entry: "%s\t%s+F%d" (name, "Shift", slot + 1).
std::string utility_menu_label(const UtilityRecord& utility);

class UtilityList {
public:
    // Rebuilds the list from the stored values: a record keeps the slot of
    // its stored command id when that is a utility command not taken yet,
    // else it takes the first free slot; records beyond twelve are dropped
    // and texts are cut to their limits.
    static UtilityList from_settings(const std::vector<Utility>& stored);
    std::vector<Utility> to_settings() const;

    const std::vector<UtilityRecord>& records() const { return records_; }
    bool empty() const { return records_.empty(); }
    bool full() const { return records_.size() >= std::size_t(kMaxUtilities); }
    std::optional<int> first_free_slot() const;
    const UtilityRecord* find(int command) const;

    // The refusal of a menu entry for the utility of command (0: a new one):
    // "Missing name" or "Name already used"; nothing when it may be used.
    std::optional<std::string> check_name(std::string_view name, int command = 0) const;

    // Adds record in the first free slot (its command is set there). The
    // refusal: "Maximum 12 utilities" or a name refusal.
    std::optional<std::string> add(UtilityRecord& record);
    // Gives the utility of command a new menu entry; the refusal, if any.
    std::optional<std::string> rename(int command, std::string_view name);
    // Replaces the program, arguments, start directory and flags.
    bool change(int command, const UtilityRecord& values);
    bool erase(int command);

private:
    UtilityRecord* find_mutable(int command);
    void insert_in_slot_order(UtilityRecord record);

    // Invariant: sorted by command, commands distinct and within
    // 1300..1311, so at most twelve records.
    std::vector<UtilityRecord> records_;
};

// The values of $CURRENT_TEXT$, $CURSOR$ and $SELECTION$ for a view: the
// identifier around the cursor, its part before the cursor, and the selected
// text with whether it spans lines.
void fill_cursor_values(const vyn::editor::View& view, project::ExpansionValues& values);

}  // namespace vyn::shell
