// The built-in languages, choosing a file's language, and the keyword tables.
#include "ide/editor/language.h"
#include "ide/editor/document.h"

#include <gtest/gtest.h>

namespace vyn::editor {
namespace {

TEST(Languages, BuiltInLanguagesWithTheirFlagsCharactersAndKeywordCounts)
{
    LanguageList list;
    struct Expected {
        const char* file;
        const char* name;
        int code;
        std::uint16_t flags;
        const char* comments;
        const char* strings;
        std::size_t keywords;
    } cases[] = {
        {"MAIN.C", "C Language", 0, 1, "/*", "'\"", 35},
        {"x.hpp", "C Language", 0, 1, "/*", "'\"", 35},
        {"BOOT.ASM", "Assembly", 5, 7, ";", "'", 0},
        {"CALC.F", "Fortran", 3, 7, ";", "'", 29},
        {"unit.pas", "Pascal", 4, 5, "{}(*)", "'", 47},
    };
    for (const Expected& e : cases) {
        const Language* language = list.for_file(e.file);
        ASSERT_NE(language, nullptr) << e.file;
        EXPECT_EQ(language->name, e.name);
        EXPECT_EQ(language->code, e.code);
        EXPECT_EQ(language->flags, e.flags);
        EXPECT_EQ(language->comment_chars, e.comments);
        EXPECT_EQ(language->string_chars, e.strings);
        EXPECT_EQ(language->keywords.size(), e.keywords) << e.name;
    }
    EXPECT_EQ(list.for_file("README"), nullptr);
    EXPECT_EQ(list.for_file("notes.txt"), nullptr);
    EXPECT_EQ(list.for_file("C:\\DIR.C\\FILE"), nullptr);
    const Language* assembly = list.find("Assembly");
    ASSERT_NE(assembly, nullptr);
    EXPECT_EQ(assembly->start_function, "^[A-Za-z_][_A-Za-z0-9]+[ \t]+PROC[ \t]");
    EXPECT_EQ(assembly->end_function, "^[A-Za-z_][A-Za-z0-9]+[ \t]+ENDP[ \t]");
}

TEST(Languages, KeywordsCompareWithCaseOnlyWhereTheLanguageSaysSo)
{
    LanguageList list;
    const Language& c = list.c();
    EXPECT_TRUE(c.is_keyword("sizeof"));
    EXPECT_TRUE(c.is_keyword("entry"));
    EXPECT_FALSE(c.is_keyword("INT"));
    EXPECT_FALSE(c.is_keyword("inline"));
    const Language* pascal = list.find("Pascal");
    EXPECT_TRUE(pascal->is_keyword("BEGIN"));
    EXPECT_TRUE(pascal->is_keyword("Implementation"));
    const Language* fortran = list.find("Fortran");
    EXPECT_TRUE(fortran->is_keyword(".GT."));
    EXPECT_TRUE(fortran->is_keyword("subroutine"));
}

TEST(Languages, KeywordCharacterTableHoldsKeywordLettersTheirUpperCaseWhenCaselessAndTheUnderscore)
{
    LanguageList list;
    const Language& c = list.c();
    EXPECT_TRUE(c.is_keyword_char('z'));  // sizeof
    EXPECT_TRUE(c.is_keyword_char('_'));
    EXPECT_FALSE(c.is_keyword_char('q'));
    EXPECT_FALSE(c.is_keyword_char('I'));
    EXPECT_FALSE(c.is_keyword_char('1'));
    const Language* pascal = list.find("Pascal");
    EXPECT_TRUE(pascal->is_keyword_char('B'));
    EXPECT_FALSE(pascal->is_keyword_char('Q'));
    const Language* fortran = list.find("Fortran");
    EXPECT_TRUE(fortran->is_keyword_char('.'));
    const Language* assembly = list.find("Assembly");
    EXPECT_TRUE(assembly->is_keyword_char('_'));
    EXPECT_FALSE(assembly->has_keywords());
}

TEST(Languages, DefinitionsUpdateBuiltInsOrComeFirst)
{
    LanguageList list;
    LanguageSettings asm_keywords;
    asm_keywords.name = "Assembly";
    asm_keywords.flags = 7;
    asm_keywords.keywords = {"mov", "push_all"};
    Language& assembly = list.define(asm_keywords);
    EXPECT_EQ(&assembly, list.find("Assembly"));
    EXPECT_EQ(assembly.extensions, "ASM");
    EXPECT_TRUE(assembly.is_keyword("MOV"));
    EXPECT_TRUE(assembly.is_keyword_char('M'));
    EXPECT_TRUE(assembly.is_keyword_char('h'));

    LanguageSettings header;
    header.name = "Headers";
    header.extensions = "h;inc";
    list.define(header);
    EXPECT_EQ(list.for_file("X.H")->name, "Headers");  // before the C language
    EXPECT_EQ(list.for_file("X.C")->name, "C Language");
}

TEST(Languages, AttachingMarksCSourcesAndItsHookDropsCommentRegions)
{
    Document document;
    attach_language(document, &c_language());
    EXPECT_TRUE(document.is_c_source());
    document.flags |= docflag::comments_valid;
    document.change_hook(0, 3, 'x');
    EXPECT_TRUE(document.flags & docflag::comments_valid);
    document.change_hook(0, 3, '/');
    EXPECT_FALSE(document.flags & docflag::comments_valid);

    attach_language(document, language_list().find("Fortran"));
    EXPECT_FALSE(document.is_c_source());
    document.flags |= docflag::comments_valid;
    document.change_hook(2, 0, 'C');  // the first column decides a comment line
    EXPECT_FALSE(document.flags & docflag::comments_valid);

    attach_language(document, nullptr);
    EXPECT_FALSE(document.change_hook);
}

TEST(Languages, PreprocessorDirectives)
{
    for (const char* word : {"assert", "define", "elif", "else", "endif", "if", "ifdef", "ifndef", "include", "line",
                             "pragma", "undef", "error"})
        EXPECT_TRUE(is_preprocessor_directive(word)) << word;
    EXPECT_FALSE(is_preprocessor_directive("warning"));
    EXPECT_FALSE(is_preprocessor_directive("DEFINE"));
}

}  // namespace
}  // namespace vyn::editor
