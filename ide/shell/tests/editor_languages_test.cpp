// Languages defined in the registry reach the editor's language list through
// the settings store.
#include "ide/shell/editor_languages.h"
#include "ide/shell/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/tests/test_dirs.h"

namespace {

using namespace vyn::shell;
using vyn::platform::RegistryRoot;
constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;

struct QuietUi : SettingsUi {
    void tell(const std::string&) override {}
    std::optional<std::string> choose_directory(const std::string&) override { return std::nullopt; }
};

TEST(EditorLanguages, RegistryLanguagesComeFirstAndUpdateBuiltInOnes)
{
    std::string dir = vyn::testing::fresh_test_dir();
    auto registry = vyn::platform::open_hive_file((std::filesystem::path(dir) / "hive.reg").string());
    auto put = [&](const char* name, const char* value) { registry->write_string(HKCU, kTavraKey, name, value); };
    put("Languages", "2");
    put("Language1", "Modula");
    put("Language1Extension", "MOD;DEF;PAS");
    put("Language1CommentChar", "{}(*)");
    put("Language1StringChars", "'\"");
    put("Language1Flags", "4");
    put("Language1Code", "17");
    put("Language1KeywordCount", "3");
    put("Language1Keywords1", "module begin end");
    put("Language2", "C Language");
    put("Language2Extension", "C;H;CPP;HPP;CC");
    put("Language2Flags", "1");
    put("Language2KeywordCount", "2");
    put("Language2Keywords1", "bool inline");

    QuietUi ui;
    SettingsStore store(*registry, ui);
    Settings settings = store.read("C:\\WORK");
    vyn::editor::LanguageList list;
    define_languages(settings, list);

    // The new language stands before the built-in ones: it takes ".PAS".
    const vyn::editor::Language* modula = list.for_file("C:\\SRC\\X.PAS");
    ASSERT_NE(modula, nullptr);
    EXPECT_EQ(modula->name, "Modula");
    EXPECT_EQ(modula->code, 17);
    EXPECT_TRUE(modula->is_keyword("MODULE"));  // flag 4: without regard to case
    EXPECT_TRUE(modula->is_keyword_char('M'));
    EXPECT_EQ(list.all().front(), modula);

    // The C language is updated, not duplicated: new extension, added keywords.
    const vyn::editor::Language* c = list.for_file("a.cc");
    ASSERT_EQ(c, &list.c());
    EXPECT_TRUE(c->is_keyword("inline"));
    EXPECT_TRUE(c->is_keyword("int"));
    EXPECT_EQ(c->comment_chars, "/*");  // not given: the built-in value stays
    EXPECT_EQ(list.all().size(), 5u);
}

}  // namespace
