#pragma once

#include "base/program_folder.h"

#include <QString>

namespace quillet {

// Quillet's program folder: beside the executable for a folder install; for an install under
// /usr, $XDG_CONFIG_HOME/quillet, where the page template and script from
// /usr/share/quillet are copied at the first start for the operator to edit.
Result<ProgramFolder> quilletProgramFolder();

// What the first start of an install, or a problem with the copied files, tells the
// operator; empty when there is nothing to tell.
QString programFolderNote(const ProgramFolder& folder);

} // namespace quillet
