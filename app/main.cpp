// lumidex: the countdown screen saver.

#include "app/Main.h"
#include "Version.h"
#include "app/CommandLine.h"
#include "app/HackOptions.h"
#include "platform/Display.h"
#include "platform/Processes.h"
#include "platform/Signals.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // Printing or refusing needs no display.
    const startup::HackOptions hack = startup::HackOptionsFrom(arguments);
    if (hack.run == startup::HackRun::Help) {
        std::fputs(startup::HackUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (hack.run == startup::HackRun::Version) {
        std::puts("Lumidex ScreenSaver " LUMIDEX_VERSION);
        return 0;
    }
    const QString unrecognised = startup::UnrecognisedOption(arguments);
    if (!hack.hosted() && !unrecognised.isEmpty()) {
        std::fprintf(stderr, "lumidex: unrecognised option %s\n\n%s",
                     unrecognised.toLocal8Bit().constData(),
                     startup::HackUsage().toLocal8Bit().constData());
        return 1;
    }
    const QString switchText = startup::SwitchOf(startup::ArgumentsFrom(arguments));
    if (hack.run == startup::HackRun::NotAHack &&
        startup::ModeOf(switchText) == startup::Mode::None)
        return 0;

    if (!platform::CanOpenDisplay()) {
        std::fprintf(stderr, "lumidex: cannot open the display\n");
        if (!hack.hosted())
            return 1;
        // The host would start a program that ends at once again and again.
        platform::WaitForTerminationSignal();
        platform::DieByReceivedSignal();
        return 0;
    }
    platform::UsePrivateRuntimeFolder();
    // The command line is the saver's own: Qt must not act on words like -reverse in it.
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumidex ScreenSaver"));
    platform::EndQuietlyWhenTheDisplayGoes();
    const std::optional<int> status = startup::Main(arguments);
    if (status)
        return *status;
    const int exitStatus = QApplication::exec();
    startup::ResetState(); // the windows go before the application object
    platform::DieByReceivedSignal();
    return exitStatus;
}
