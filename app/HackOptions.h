#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

// The options a screen-saver host on Linux (XScreenSaver) passes to the programs it runs,
// apart from any window so that tests can ask them directly. Each takes one or two
// leading dashes.
namespace startup {

enum class HackRun {
    NotAHack, // none of these options: the switches of the Windows saver decide
    Help,     // "-help": print the usage
    Version,  // "-version": print the version
    Root,     // "-root": the host's window in XSCREENSAVER_WINDOW, else the root window
    WindowId, // "-window-id ID": inside the window ID
    Window,   // "-window": a window of our own, to try the saver out
};

struct HackOptions
{
    HackRun run = HackRun::NotAHack;
    // For WindowId: the window, or 0 when the id was missing or unreadable.
    quint32 windowId = 0;
    // Words that are none of these options; a host run goes on without them.
    QStringList unknown;

    // Whether another program's window (or the root) hosts the run.
    bool hosted() const { return run == HackRun::Root || run == HackRun::WindowId; }
};

// A window id as X11 tools print them: decimal, or hexadecimal after "0x" in either case.
// Nothing for 0, a negative or malformed number, or one beyond 32 bits.
std::optional<quint32> WindowIdFrom(const QString &text);

// The hack run the words after the program's name ask for. Words starting with "/" are
// the Windows saver's, so they leave it NotAHack. Help wins over version, version over
// a run; "-window-id" over "-root", and either over "-window".
HackOptions HackOptionsFrom(const QStringList &argumentsAfterProgram);

// The first word that looks like an option ("-x", "--x") but is none of these; empty
// when there is none. A host's run goes on without it; any other run refuses it.
QString UnrecognisedOption(const QStringList &argumentsAfterProgram);

// What "-help" prints.
QString HackUsage();

} // namespace startup
