#pragma once

#include <QStringList>

namespace modGeneral {

// Start-up: reads the settings every window needs, the screen size and the command line,
// and starts the mode the switch asks for. Returns the program's exit status.
// A GUI application must exist.
int Main(const QStringList &argumentsAfterProgram);

} // namespace modGeneral
