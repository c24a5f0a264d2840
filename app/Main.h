#pragma once

#include <QStringList>
#include <optional>

namespace saver {
class frmMain;
class SaverWindows;
} // namespace saver
namespace setup {
class frmSetup;
}

namespace startup {

// Start-up: reads the settings every window needs, the screen size and the command line,
// and starts the mode the switch asks for. Returns the exit status when the program is
// done at once, or nothing when a window now carries the run (the caller then runs the
// event loop). A GUI application must exist.
std::optional<int> Main(const QStringList &argumentsAfterProgram);

// The saver window of this run, if one is loaded: in full-screen mode the one over the
// primary screen.
saver::frmMain *MainForm();
// The full-screen run's windows, one per screen, if this is such a run.
saver::SaverWindows *SaverWindows();
// The settings dialog of this run, if one is loaded.
setup::frmSetup *SetupForm();

// Releases the windows and puts every value back to its state at program start
// (before the application object goes, and between tests).
void ResetState();

} // namespace startup
