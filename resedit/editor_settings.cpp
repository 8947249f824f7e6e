#include "resedit/editor_settings.h"

#include "common/strings.h"

namespace vyn::resedit {

namespace {

struct NumberRow {
    const char* name;
    long fallback;
};

// TextColor and ListBackground hold colours; "not set" is all bits one.
const NumberRow kNumbers[kNumberSettingCount] = {
    {"cxGrid", 1}, {"cyGrid", 1}, {"xMargin", 6}, {"yMargin", 6}, {"xSpace", 6}, {"ySpace", 0},
    {"xMinPushSpace", 3}, {"xMaxPushSpace", 16}, {"yPushSpace", 3}, {"xGroupSpace", 6},
    {"yGroupSpace", 6}, {"gControlStyles", 43476}, {"gfFontStyle", 0}, {"textX", 20}, {"textY", 12},
    {"editX", 32}, {"editY", 12}, {"groupX", 48}, {"groupY", 35}, {"UnderscoreYOffset", 21},
    {"TextColor", 0}, {"ListBackground", 0xFFFFFF},
};

const char* const kTexts[kTextSettingCount] = {"CurrentDir", "EditorFullPath", "LastFileLoaded", "DllDir", "CustomDlls"};

constexpr auto HKCU = platform::RegistryRoot::CurrentUser;

}  // namespace

const char* number_setting_name(NumberSetting which) { return kNumbers[which].name; }
long number_setting_default(NumberSetting which) { return kNumbers[which].fallback; }
const char* text_setting_name(TextSetting which) { return kTexts[which]; }

CheckedValue check_setting_value(NumberSetting which, const std::string& text)
{
    auto value = parse_long(trim(text));
    const char* name = kNumbers[which].name;
    if (which == kCxGrid || which == kCyGrid) {
        if (!value || *value <= 0)
            return {0, format("%s value must be greater than zero.", name)};
    } else if (!value || *value < 0) {
        return {0, format("%s value must be a positive number.", name)};
    }
    return {*value, {}};
}

EditorSettings EditorSettings::defaults()
{
    EditorSettings s;
    for (int i = 0; i < kNumberSettingCount; ++i)
        s.numbers[i] = kNumbers[i].fallback;
    return s;
}

EditorSettings SettingsStore::read()
{
    read_ = EditorSettings::defaults();
    for (int i = 0; i < kNumberSettingCount; ++i) {
        auto text = registry_.read_string(HKCU, kTavraresKey, kNumbers[i].name);
        auto value = text ? parse_long(trim(*text)) : std::nullopt;
        number_present_[i] = value.has_value();
        if (value)
            read_.numbers[i] = *value;
    }
    for (int i = 0; i < kTextSettingCount; ++i) {
        auto text = registry_.read_string(HKCU, kTavraresKey, kTexts[i]);
        text_present_[i] = text.has_value();
        if (text)
            read_.texts[i] = *text;
    }
    return read_;
}

bool SettingsStore::write_back(const EditorSettings& settings)
{
    bool ok = true;
    for (int i = 0; i < kNumberSettingCount; ++i) {
        if (number_present_[i] && settings.numbers[i] == read_.numbers[i])
            continue;
        if (!number_present_[i] && settings.numbers[i] == kNumbers[i].fallback)
            continue;
        ok = registry_.write_string(HKCU, kTavraresKey, kNumbers[i].name, format("%ld", settings.numbers[i])) && ok;
    }
    for (int i = 0; i < kTextSettingCount; ++i) {
        if (settings.texts[i] == read_.texts[i] && (text_present_[i] || settings.texts[i].empty()))
            continue;
        ok = registry_.write_string(HKCU, kTavraresKey, kTexts[i], settings.texts[i]) && ok;
    }
    if (ok) {
        read_ = settings;
        number_present_.fill(true);
        text_present_.fill(true);
    }
    return ok;
}

}  // namespace vyn::resedit
