// Where vyni386 finds the DLLs a program imports: beside the program, then
// in each directory of the search path (PATH), as the system looks for them.
// Names are compared without regard to case, as the system's file names
// are, so an import of "MathDll.DLL" finds mathdll.dll.
#pragma once

#include "testing/i386/machine.h"

#include <string>

namespace vyn::i386 {

// A finder over program_directory and then the directories of search_path
// (separated by ':'; an empty entry is the current directory). A name with
// a directory part is never found: an import names a file, not a path.
DllFinder dll_search(std::string program_directory, std::string search_path);

}  // namespace vyn::i386
