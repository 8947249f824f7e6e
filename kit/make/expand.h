// Macro expansion: "$(NAME)", "${NAME}", "$X", "$$", substitution references
// "$(NAME:.c=.obj)" and the automatic macros of a rule ($@ $< $* $? $^ and
// their D/F forms).
#pragma once

#include <map>
#include <string>

#include "kit/make/makefile.h"

namespace vyn::make {

struct Scope {
    const Makefile* makefile = nullptr;
    const std::map<std::string, std::string>* overrides = nullptr;    // command line
    const std::map<std::string, std::string>* environment = nullptr;
    const std::map<std::string, std::string>* automatic = nullptr;    // "@", "<", "*", "?", "^"
};

struct ExpandResult {
    std::string text;
    std::string error;  // empty on success: a self-referencing macro, a runaway expansion
};

// Expands text in scope. Macros are looked up on the command line first, then
// in the makefile, then in the environment; an unknown macro expands to nothing.
ExpandResult expand(const std::string& text, const Scope& scope);

}  // namespace vyn::make
