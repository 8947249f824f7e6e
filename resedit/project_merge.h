// Joins the two halves of the model: the dialogs read from the resource file
// (geometry, styles, texts) and the editor's records read from the project
// file (callbacks, notifications, colours, fonts, links).
#pragma once

#include "resedit/model.h"
#include "resedit/res_file.h"

namespace vyn::resedit {

// For every dialog resource of file, in file order, the project dialog with
// the same id (or name) takes the template fields; its controls follow the
// resource's controls, each keeping the project record of the control with
// the same id. Dialogs and controls new to the project get default records;
// project dialogs without a resource are kept after the others.
void attach_resources(Project& project, const ResFile& file);

}  // namespace vyn::resedit
