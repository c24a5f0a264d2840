#pragma once

namespace platform {

// What start-up found to show windows on.
enum class DisplayFound {
    Ready,      // Qt can start
    None,       // neither DISPLAY's X screen nor a Wayland compositor answers
    NoX11,      // the run needs an X server, and there is only Wayland
    NoPlugin,   // only Wayland answers, and Qt's wayland platform is not installed
    FewColours, // the X screen has 256 colours or fewer, and Qt 6.4 draws nothing on it
};

// Chooses Qt's platform before the application object exists: Qt aborts the process when
// it cannot open its display, so asking first lets the program say why and end cleanly.
// `needsX11` for runs inside another program's X11 window (the preview, the hosts'):
// those run on X11 even in a Wayland session with XWayland, where Qt would pick Wayland.
// Platforms other than X11 and Wayland (offscreen for tests) are left to Qt.
DisplayFound ChooseDisplay(bool needsX11);

// When the X server goes away, Qt reports it and calls exit(1); the windows' destructors
// would then talk to the dead connection and crash. From this call on (with a
// QGuiApplication on X11), such an end skips them and exits with status 0: the display
// went with the session, which is how a screen saver's run is meant to end.
void EndQuietlyWhenTheDisplayGoes();

} // namespace platform
