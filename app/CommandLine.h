#pragma once

#include <QString>
#include <QStringList>

// The decisions start-up takes from the command line, apart from any window so that
// tests can ask them directly.
namespace startup {

enum class Mode {
    Saver,    // "/s" or nothing: full screen
    Preview,  // "/p" and the host window's number
    Settings, // "/c": the settings dialog
    None,     // anything else: end at once
};

// The words after the program's name joined by blanks, without blanks at either end,
// in lower case.
QString ArgumentsFrom(const QStringList &argumentsAfterProgram);

// The first two characters of the arguments: the switch that picks the mode.
QString SwitchOf(const QString &arguments);
Mode ModeOf(const QString &switchText);

// The host window's number after "/p": the longest tail of the arguments that is a
// number ("/p 4711" and "/p:4711" both give 4711), rounded to a whole number.
// 0 when there is none, or when it does not fit 32 bits. A number written "0x..." is
// hexadecimal, as X11 tools print window ids; its 32 bits are kept as they are.
qint32 PreviewHostNumber(const QString &arguments);

// A second full-screen start while another instance runs ends at once, unless the
// desktop's display settings window is open (it starts the saver to show it).
bool EndsAsSecondInstance(const QString &switchText, bool displayPropertiesOpen,
                          bool previousInstanceRunning);

} // namespace startup
