// lumidex: the countdown screen saver.

#include "app/Main.h"
#include "app/CommandLine.h"
#include "platform/Display.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // A switch that starts nothing needs no display.
    const QString switchText = startup::SwitchOf(startup::ArgumentsFrom(arguments));
    if (startup::ModeOf(switchText) == startup::Mode::None)
        return 0;

    if (!platform::CanOpenDisplay()) {
        std::fprintf(stderr, "lumidex: cannot open the display\n");
        return 1;
    }
    // The command line is the saver's own: Qt must not act on words like -reverse in it.
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumidex ScreenSaver"));
    const std::optional<int> status = modGeneral::Main(arguments);
    if (status)
        return *status;
    const int exitStatus = QApplication::exec();
    modGeneral::ResetState(); // the windows go before the application object
    return exitStatus;
}
