// Import libraries: the archive members that make a DLL's exports callable,
// and the way back from such an archive to its export list.
//
// One library holds, for a DLL whose name gives the stem S ("kernel32.dll"
// gives "kernel32_dll"):
//   S_h.obj      the import descriptor (".idata$2"), pointing at the lookup
//                and address tables that follow it and at the DLL name;
//   S_sNNNNN.obj one per export: lookup and address entries (".idata$4",
//                ".idata$5") pointing at its hint and name (".idata$6"), the
//                "__imp_" symbol on its address entry and, for code, a jump
//                through it under the export's link name (".text");
//   S_t.obj      the zero entries closing both tables and the DLL name (".idata$7");
//   S_n.obj      the zero descriptor closing the descriptor list (".idata$3").
// A linker that orders the ".idata$n" contributions of one library by member
// name gets head, entries and tail in that order.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "kit/coffar/archive.h"
#include "kit/coffar/exp_file.h"

namespace vyn::coffar {

std::vector<ArchiveMember> import_members(const ExportList& list);

// The export list of an import library made of such per-export objects
// (this builder's or another's): every member with a hint/name entry gives
// one export; a member without a jump under the link name exports data.
// Members of other kinds are passed over. Nothing when no member is an
// import entry or the DLL name is not found; error says which.
std::optional<ExportList> exports_of_import_library(std::span<const std::uint8_t> archive, std::string& error);

}  // namespace vyn::coffar
