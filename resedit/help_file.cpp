#include "resedit/help_file.h"

#include "resedit/editor_session.h"

namespace vyn::resedit {

std::vector<std::string> help_file_candidates(const std::string& executable)
{
    std::string bin = directory_of(executable);
    std::vector<std::string> places{bin + "\\" + kHelpFileName};
    // The kit keeps its programs in bin\ and its documents in doc\ beside it.
    std::string root = directory_of(bin);
    if (root != bin && root != ".")
        places.push_back(root + "\\doc\\" + kHelpFileName);
    return places;
}

}  // namespace vyn::resedit
