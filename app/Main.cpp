#include "app/Main.h"

#include "app/CommandLine.h"
#include "app/modGeneral.h"
#include "platform/Processes.h"
#include "platform/WindowCalls.h"
#include "settings/Settings.h"

#include <cstdio>

namespace modGeneral {

namespace {

// Exit status of a mode whose window this build does not have yet.
constexpr int ModeNotAvailable = 3;

const QString DisplayPropertiesTitle = QStringLiteral("Display Properties");

int ModeNotAvailableYet(const char *what)
{
    std::fprintf(stderr, "lumidex: %s is not available in this version\n", what);
    return ModeNotAvailable;
}

void ReadStartupSettings()
{
    ImageIndex = settings::ReadWhole16(settings::key::ImageIndex);
    DefaultTab = settings::ReadWhole16(settings::key::DefaultTab);
    IncludeDays = settings::ReadWhole16(settings::key::IncludeDays);
}

int RunSaver()
{
    RunMode = RunModeFullScreen;
    return ModeNotAvailableYet("the full-screen saver");
}

int RunPreview(const QString &arguments)
{
    RunMode = RunModePreview;
    PreviewWindow = startup::PreviewHostNumber(arguments);
    return ModeNotAvailableYet("the preview");
}

int RunSettings()
{
    return ModeNotAvailableYet("the settings dialog");
}

} // namespace

int Main(const QStringList &argumentsAfterProgram)
{
    ReadStartupSettings();
    ScreenHeight = platform::ScreenHeightTwips();
    ScreenWidth = platform::ScreenWidthTwips();

    const QString arguments = startup::ArgumentsFrom(argumentsAfterProgram);
    const QString switchText = startup::SwitchOf(arguments);
    const bool displayPropertiesOpen = platform::FindTopLevelWindow(DisplayPropertiesTitle) != 0;
    // Asked in every mode: asking also registers this run for the starts after it.
    const bool previousInstance = platform::PreviousInstanceRunning();
    if (startup::EndsAsSecondInstance(switchText, displayPropertiesOpen, previousInstance))
        return 0;

    switch (startup::ModeOf(switchText)) {
    case startup::Mode::Saver:
        return RunSaver();
    case startup::Mode::Preview:
        return RunPreview(arguments);
    case startup::Mode::Settings:
        return RunSettings();
    case startup::Mode::None:
        break;
    }
    return 0;
}

} // namespace modGeneral
