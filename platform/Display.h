#pragma once

namespace platform {

// Whether a GUI application can start: with the X11 platform, whether the X server
// accepts a connection. Qt aborts the process when it cannot open its display; asking
// first lets the program say so and end cleanly.
bool CanOpenDisplay();

// When the X server goes away, Qt reports it and calls exit(1); the windows' destructors
// would then talk to the dead connection and crash. From this call on (with a
// QGuiApplication on X11), such an end skips them and exits with status 0: the display
// went with the session, which is how a screen saver's run is meant to end.
void EndQuietlyWhenTheDisplayGoes();

} // namespace platform
