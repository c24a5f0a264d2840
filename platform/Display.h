#pragma once

namespace platform {

// Whether a GUI application can start: with the X11 platform, whether the X server
// accepts a connection. Qt aborts the process when it cannot open its display; asking
// first lets the program say so and end cleanly.
bool CanOpenDisplay();

} // namespace platform
