// lumidex: the countdown screen saver.

#include "app/Main.h"
#include "Version.h"
#include "app/CommandLine.h"
#include "app/HackOptions.h"
#include "app/StandardOutput.h"
#include "platform/Display.h"
#include "platform/Processes.h"
#include "platform/Signals.h"

#include <QApplication>
#include <cstdio>

namespace {

// The switch of a run that draws in another program's X11 window; null for the others.
const char *ForeignWindowMode(startup::HackRun run, const QString &switchText)
{
    switch (run) {
    case startup::HackRun::Root:
        return "-root";
    case startup::HackRun::WindowId:
        return "-window-id";
    case startup::HackRun::NotAHack:
        return startup::ModeOf(switchText) == startup::Mode::Preview ? "/p" : nullptr;
    case startup::HackRun::Window: // a window of its own
    case startup::HackRun::Help:
    case startup::HackRun::Version:
        break;
    }
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // Printing or refusing needs no display.
    const startup::HackOptions hack = startup::HackOptionsFrom(arguments);
    if (hack.run == startup::HackRun::Help)
        return startup::WriteStandardOutput("lumidex", startup::HackUsage());
    if (hack.run == startup::HackRun::Version)
        return startup::WriteStandardOutput(
            "lumidex", QStringLiteral("Lumidex ScreenSaver " LUMIDEX_VERSION "\n"));
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

    const char *foreignWindowMode = ForeignWindowMode(hack.run, switchText);
    switch (platform::ChooseDisplay(foreignWindowMode != nullptr)) {
    case platform::DisplayFound::Ready:
        break;
    case platform::DisplayFound::NoX11:
        std::fprintf(stderr, "lumidex: %s needs an X11 display\n", foreignWindowMode);
        return 1;
    case platform::DisplayFound::NoPlugin:
        std::fprintf(stderr, "lumidex: Wayland needs Qt's wayland platform (package "
                             "qt6-wayland)\n");
        return 1;
    case platform::DisplayFound::FewColours:
        std::fprintf(stderr, "lumidex: the display has too few colours\n");
        return 1;
    case platform::DisplayFound::None:
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
    const int exitStatus = status ? *status : QApplication::exec();
    // The windows go before the application object, also those of a start that gave up.
    startup::ResetState();
    platform::DieByReceivedSignal();
    return exitStatus;
}
