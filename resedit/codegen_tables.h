// The notification tables of the code generator: which bit of a control's
// flags or notification mask selects which notification code, and the
// suffix of the callback that handles it. Tables are walked in order.
#pragma once

#include <cstdint>
#include <span>

namespace vyn::resedit {

struct Notification {
    std::uint32_t bit;
    const char* code;
    const char* suffix;
    const char* structure;  // common-control notifications: the argument type
};

std::span<const Notification> edit_notifications();
std::span<const Notification> listbox_notifications();
std::span<const Notification> combobox_notifications();
std::span<const Notification> common_notifications();    // NM_* for kinds 15 to 20
std::span<const Notification> treeview_notifications();
std::span<const Notification> listview_notifications();
std::span<const Notification> draglist_notifications();
extern const Notification kUpDownDeltaPos;                // kind 19 only

struct Validation {
    std::uint32_t bits;     // any of them selects the check
    const char* call;       // a format with the flags as its only argument, if any
    const char* prototype;
};
std::span<const Validation> edit_validations();

}  // namespace vyn::resedit
