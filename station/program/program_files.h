#pragma once

#include "base/program_folder.h"

namespace quillet::station {

// The host's program folder, which it records for add-ons such as Quillet to write their
// extras file into: beside the executable for a folder install; for an install under /usr,
// $XDG_DATA_HOME/quillet-host, with the demo feed and map found in /usr/share/quillet-host.
Result<ProgramFolder> hostProgramFolder();

} // namespace quillet::station
