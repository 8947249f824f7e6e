#include "ide/shell/editor_languages.h"

namespace vyn::shell {

void define_languages(const Settings& settings, vyn::editor::LanguageList& list)
{
    for (const LanguageDefinition& definition : settings.languages) {
        vyn::editor::LanguageSettings language;
        language.name = definition.name;
        language.extensions = definition.extension;
        language.start_function = definition.start_function;
        language.end_function = definition.end_function;
        language.comment_chars = definition.comment_char;
        language.string_chars = definition.string_chars;
        language.icon = definition.icon;
        language.flags = definition.flags;
        language.code = definition.code;
        language.keywords = definition.keywords;
        list.define(language);
    }
}

}  // namespace vyn::shell
