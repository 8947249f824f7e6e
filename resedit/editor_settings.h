// The editor's persistent settings under HKEY_CURRENT_USER\Software\vyn\Tavrares:
// one string value per setting, numbers as decimal text. A missing or
// unreadable value takes its default; at exit a value is written back only
// when it differs from the one read, so an untouched setting never reaches
// the registry.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace vyn::resedit {

inline constexpr char kTavraresKey[] = "Software\\vyn\\Tavrares";

// The numeric settings, in the order of their table.
enum NumberSetting {
    kCxGrid, kCyGrid, kXMargin, kYMargin, kXSpace, kYSpace, kXMinPushSpace, kXMaxPushSpace,
    kYPushSpace, kXGroupSpace, kYGroupSpace, kControlStyles, kFontStyle, kTextX, kTextY,
    kEditX, kEditY, kGroupX, kGroupY, kUnderscoreYOffset, kTextColor, kListBackground,
    kNumberSettingCount
};

// The text settings.
// "DllDir" is where custom control libraries are looked for, "CustomDlls"
// the libraries loaded, separated by ';'.
enum TextSetting { kCurrentDir, kEditorFullPath, kLastFileLoaded, kDllDir, kCustomDlls, kTextSettingCount };

const char* number_setting_name(NumberSetting which);
long number_setting_default(NumberSetting which);
const char* text_setting_name(TextSetting which);

// The configuration dialog's check of a typed value: grid steps must be
// above zero ("%s value must be greater than zero."), the other numbers not
// negative ("%s value must be a positive number."); the message, or the value.
struct CheckedValue {
    long value = 0;
    std::string message;  // empty when the value is good
};
CheckedValue check_setting_value(NumberSetting which, const std::string& text);

struct EditorSettings {
    std::array<long, kNumberSettingCount> numbers{};
    std::array<std::string, kTextSettingCount> texts;

    long operator[](NumberSetting which) const { return numbers[which]; }
    long& operator[](NumberSetting which) { return numbers[which]; }
    const std::string& text(TextSetting which) const { return texts[which]; }
    std::string& text(TextSetting which) { return texts[which]; }

    // Every setting at its default.
    static EditorSettings defaults();
    bool operator==(const EditorSettings&) const = default;
};

// The settings as read, with what was read remembered for write_back.
class SettingsStore {
public:
    explicit SettingsStore(platform::Registry& registry) : registry_(registry) {}

    EditorSettings read();
    // Writes the values that differ from those read (or from the defaults
    // when the value was missing); false when a write failed.
    bool write_back(const EditorSettings& settings);

private:
    platform::Registry& registry_;
    EditorSettings read_;
    std::array<bool, kNumberSettingCount> number_present_{};
    std::array<bool, kTextSettingCount> text_present_{};
};

}  // namespace vyn::resedit
