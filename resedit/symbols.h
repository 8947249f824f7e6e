// The symbol table of dialog and control ids, written as the include file.
//
// Invariant: entries are in ascending order of value; names and values are
// each unique.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resedit/model.h"

namespace vyn::resedit {

struct Symbol {
    std::string name;
    long value = 0;
    long original = 0;  // the value it had when read or first added
    bool operator==(const Symbol&) const = default;
};

class SymbolTable {
public:
    const std::vector<Symbol>& entries() const { return entries_; }
    const Symbol* find_name(std::string_view name) const;
    const Symbol* find_value(long value) const;

    // Adds name = value before the first entry whose value is not below it.
    // A clash shows "Symbol %s exists already" or "Number %d already defined"
    // and changes nothing.
    bool add(const std::string& name, long value, Ui& ui);
    bool remove(std::string_view name);

    // The include file: one "#define\t%s\t%d\n" line per symbol, in order.
    std::string include_text() const;
    // Reads the #define lines of an include file; clashing definitions are
    // ignored after one "Include file contains duplicate ids or symbols, ..."
    // message. Other lines are not symbols and are skipped.
    static SymbolTable from_include(std::string_view text, Ui& ui);

private:
    bool clashes(const std::string& name, long value) const;
    std::vector<Symbol> entries_;
};

// The symbol editor's check of a new (name, id text) pair; the message to
// show, or nothing when the pair can be added. ids_in_use holds the ids of
// every control and dialog.
std::optional<std::string> check_new_symbol(const SymbolTable& table, std::string_view name,
                                            std::string_view id_text, const std::vector<long>& ids_in_use);

}  // namespace vyn::resedit
