// The export list a DLL link leaves beside the DLL: the DLL's file name on
// the first line, then one export per line, "link-name<TAB><TAB>export-name"
// with "<TAB>data" appended for exported data.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyn::coffar {

struct Export {
    std::string link_name;  // the symbol as the linker knows it ("_f@4", "_count")
    std::string name;       // the name the DLL exports it under ("f", "count")
    bool data = false;
};

struct ExportList {
    std::string dll;
    std::vector<Export> exports;
};

// Nothing when the text is not an export list; error names the line and the fault.
std::optional<ExportList> read_exp(std::string_view text, std::string& error);
std::string write_exp(const ExportList& list);

}  // namespace vyn::coffar
