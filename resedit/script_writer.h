// The resource script (".DLG") of the dialogs and menus of a resource file.
#pragma once

#include <string>

#include "resedit/menu.h"
#include "resedit/model.h"
#include "resedit/res_file.h"
#include "resedit/symbols.h"

namespace vyn::resedit {

// The dialog base units that convert pixels to dialog units.
struct BaseUnits {
    int x = 6;
    int y = 13;
};

std::string dialog_script(const Dialog& dialog, const SymbolTable& symbols, BaseUnits units);
std::string menu_script(const std::string& name, const Menu& menu, const SymbolTable& symbols);
// Every dialog and menu of file, after the includes that define the style
// names and the symbols.
std::string resource_script(const ResFile& file, const SymbolTable& symbols, BaseUnits units);

}  // namespace vyn::resedit
