// The language definitions of the settings given to the editor's language
// list: each updates the built-in language of its name or adds a new one.
#pragma once

#include "ide/editor/language.h"
#include "ide/shell/settings.h"

namespace vyn::shell {

void define_languages(const Settings& settings, vyn::editor::LanguageList& list);

}  // namespace vyn::shell
