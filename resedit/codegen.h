// The code generator: for every dialog of a project, a dialog procedure (C
// file), the shared declarations and the prototypes of the user's callbacks
// (include file), and one empty function per callback (callbacks file).
#pragma once

#include <string>
#include <vector>

#include "resedit/model.h"

namespace vyn::resedit {

constexpr const char* kGeneratedMarker = "/* Tavra Res Info */";

struct GeneratedFiles {
    std::string c_file;
    std::string h_file;
    std::string callbacks_file;
};

// The three texts for project; ui receives "Control %d not implemented" for
// controls that have no generator.
GeneratedFiles generate_code(const Project& project, Ui& ui);

// Writes the three project files into directory. An existing C file that the
// generator did not write is only replaced when the user agrees.
bool write_generated_code(const Project& project, const std::string& directory, Ui& ui);

}  // namespace vyn::resedit
