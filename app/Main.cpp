#include "app/Main.h"

#include "app/CommandLine.h"
#include "app/HackOptions.h"
#include "core/Twips.h"
#include "dialogs/setup/frmSetup.h"
#include "platform/MessageBox.h"
#include "platform/Processes.h"
#include "platform/SaverWindowCalls.h"
#include "platform/Signals.h"
#include "platform/Store.h"
#include "platform/WindowCalls.h"
#include "platform/WindowManagerRequests.h"
#include "saver/SaverWindows.h"
#include "saver/frmMain.h"
#include "settings/MotionCodes.h"
#include "settings/Settings.h"
#include "state/modGeneral.h"

#include <QGuiApplication>
#include <QScreen>
#include <memory>

namespace startup {

namespace {

using modGeneral::State;

// Font size of both lines in the small preview.
constexpr double PreviewPointSize = 8;
// The preview's travel is its size times these, not the 15 twips of a pixel.
constexpr qint32 PreviewSpanFactor = 12;
constexpr qint32 PreviewTopFactor = 5;
constexpr qint32 PreviewLineGap = 200;

const QString DisplayPropertiesTitle = QStringLiteral("Display Properties");

std::unique_ptr<saver::frmMain> LoadedMainForm;          // the preview's or a host's one window
std::unique_ptr<saver::SaverWindows> LoadedSaverWindows; // the full-screen run's
std::unique_ptr<setup::frmSetup> LoadedSetupForm;

void ReadStartupSettings()
{
    State.ImageIndex = settings::ReadWhole16(settings::key::ImageIndex);
    State.DefaultTab = settings::ReadWhole16(settings::key::DefaultTab);
    State.IncludeDays = settings::ReadWhole16(settings::key::IncludeDays);
}

// A host of ours decides itself when the run ends and what the cursor does.
saver::frmMain &LoadMainForm(bool underAHost = false)
{
    LoadedMainForm = std::make_unique<saver::frmMain>();
    LoadedMainForm->endsOnInput = !underAHost;
    LoadedMainForm->hidesCursor = !underAHost;
    LoadedMainForm->Form_Load();
    return *LoadedMainForm;
}

// The size of a hack's window from a screen-saver host (or the trial window's) stands
// for the screen: the block travels over it as over a whole screen.
void UseAsScreen(const QSize &pixels)
{
    State.RunMode = modGeneral::RunModeFullScreen;
    State.DisplayRect = {0, 0, pixels.width(), pixels.height()};
    State.ScreenWidth = pixels.width() * core::TwipsPerPixel;
    State.ScreenHeight = pixels.height() * core::TwipsPerPixel;
}

QString Hex(quint32 windowId)
{
    return QStringLiteral("0x") + QString::number(windowId, 16);
}

// A run that cannot start reports why and then waits (returning nothing, with no
// window) until the host's SIGTERM: ending at once would only have it started again.
std::optional<int> RunHosted(const HackOptions &options)
{
    platform::RouteMessages(platform::MessageRoute::Lines);
    platform::DropWindowManagerStateRequests();
    // Such a run changes nothing that needs restoring (cursor, stacking): the host's
    // SIGTERM ends it by its default action, at once, however busy the run is.

    quint32 hostId = options.windowId;
    if (options.run == HackRun::WindowId && hostId == 0) {
        platform::WriteMessageLine(
            QStringLiteral("the window id after -window-id is missing or invalid"));
        return std::nullopt;
    }
    if (options.run == HackRun::Root) {
        const QString named = qEnvironmentVariable("XSCREENSAVER_WINDOW");
        hostId =
            named.isEmpty() ? platform::RootWindowId() : WindowIdFrom(named.trimmed()).value_or(0);
        if (hostId == 0) {
            platform::WriteMessageLine(QStringLiteral("XSCREENSAVER_WINDOW names no window: ") +
                                       named);
            return std::nullopt;
        }
    }
    for (const QString &word : options.unknown)
        platform::WriteMessageLine(QStringLiteral("ignoring unknown option ") + word);
    const std::optional<QSize> host = platform::ForeignClientSize(hostId);
    if (!host) {
        platform::WriteMessageLine(QStringLiteral("there is no window ") + Hex(hostId) +
                                   QStringLiteral(" to draw in"));
        return std::nullopt;
    }
    UseAsScreen(*host);
    saver::frmMain &form = LoadMainForm(true);
    // Our window goes with its host's, or is never shown when the host went during the
    // start; the host's own end is no failure of ours.
    if (!platform::EmbedInForeignWindow(&form, hostId, *host))
        return 0;
    platform::WhenDestroyedFromOutside(&form, [] { QCoreApplication::exit(0); });
    return std::nullopt;
}

// A window of its own, to try the saver out; closing it ends the program.
std::optional<int> RunInOwnWindow()
{
    constexpr QSize TrialSize(1280, 720);
    platform::RouteMessages(platform::MessageRoute::OneBoxThenLines);
    UseAsScreen(TrialSize); // and, like a host's run, ended by SIGTERM's default action
    saver::frmMain &form = LoadMainForm(true);
    form.setWindowFlag(Qt::FramelessWindowHint, false);
    form.setWindowTitle(platform::ApplicationTitle);
    form.resize(TrialSize);
    form.show();
    platform::ShowHeldMessageOver(&form);
    return std::nullopt;
}

// Every screen is covered: a monitor left out would go on showing the desktop.
std::optional<int> RunSaver()
{
    State.RunMode = modGeneral::RunModeFullScreen;
    platform::RouteMessages(platform::MessageRoute::OneBoxThenLines);
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    State.DisplayRect = {desktop.left(), desktop.top(), desktop.left() + desktop.width(),
                         desktop.top() + desktop.height()};
    LoadedSaverWindows = std::make_unique<saver::SaverWindows>();
    platform::SetScreenSaverRunning(true);
    platform::ShowHeldMessageOver(MainForm());
    // Ended like any input ends it, so the cursor comes back.
    platform::EndOnTerminationSignals([] {
        if (MainForm() && !MainForm()->unloaded())
            MainForm()->EndSaver();
        else
            QCoreApplication::exit(0);
    });
    return std::nullopt;
}

// The travel shrinks to the preview's size; an unknown direction keeps what the set-up
// made of it.
void ShrinkToPreview(modGeneral::SaverLayoutState &layout)
{
    const modGeneral::Rect &host = State.DisplayRect;
    switch (layout.Direction) {
    case settings::Forward:
    case settings::Backward:
        layout.PreviewSpan = host.right * PreviewSpanFactor;
        layout.BlockLeft = host.right * PreviewSpanFactor;
        layout.BlockTop = host.bottom * PreviewTopFactor;
        break;
    case settings::Downward:
    case settings::Upward:
        layout.BlockLeft = 0;
        layout.PreviewSpan = host.bottom * PreviewSpanFactor;
        layout.BlockTop = layout.PreviewSpan / 2;
        break;
    default:
        return;
    }
    layout.LineGap = PreviewLineGap;
}

// The block keeps the size measured at the stored fonts; only the lines shrink.
void UsePreviewFonts(saver::frmMain &form)
{
    for (saver::TextLine *line : {&form.lblText, &form.lblTime}) {
        QFont font = line->font();
        font.setPointSizeF(PreviewPointSize);
        line->setFont(font);
    }
}

std::optional<int> RunPreview(const QString &arguments)
{
    State.RunMode = modGeneral::RunModePreview;
    platform::RouteMessages(platform::MessageRoute::OneBoxThenLines);
    platform::DropWindowManagerStateRequests();
    State.PreviewWindow = PreviewHostNumber(arguments);
    // No host to show in (no number, or a window that is gone): nothing to do.
    const std::optional<QSize> host = platform::ForeignClientSize(quint32(State.PreviewWindow));
    if (!host)
        return 0;
    State.DisplayRect = {0, 0, host->width(), host->height()};

    saver::frmMain &form = LoadMainForm();
    ShrinkToPreview(form.SaverLayout);
    form.setWindowTitle(QStringLiteral("Preview"));
    UsePreviewFonts(form);
    if (!platform::EmbedInForeignWindow(&form, quint32(State.PreviewWindow), *host))
        return 0;
    // The host closes the preview by destroying its window, which takes ours along.
    platform::WhenDestroyedFromOutside(&form, [&form] { form.close(); });
    platform::EndOnTerminationSignals([] {
        if (MainForm() && !MainForm()->unloaded())
            MainForm()->close(); // runs EndPreview
        else
            QCoreApplication::exit(0);
    });
    platform::ShowCursor(true);
    platform::ShowHeldMessageOver(&form);
    return std::nullopt;
}

// The dialog carries the run; closing it closes the last window and so ends the program.
std::optional<int> RunSettings()
{
    LoadedSetupForm = std::make_unique<setup::frmSetup>();
    LoadedSetupForm->setModal(true);
    LoadedSetupForm->show();
    return std::nullopt;
}

} // namespace

std::optional<int> Main(const QStringList &argumentsAfterProgram)
{
    const platform::StoreReading reading;
    ReadStartupSettings();
    State.ScreenHeight = platform::ScreenHeightTwips();
    State.ScreenWidth = platform::ScreenWidthTwips();

    // A host runs one of these per monitor: no previous-instance rule, nothing registered.
    const HackOptions hack = HackOptionsFrom(argumentsAfterProgram);
    switch (hack.run) {
    case HackRun::Root:
    case HackRun::WindowId:
        return RunHosted(hack);
    case HackRun::Window:
        return RunInOwnWindow();
    case HackRun::Help:
    case HackRun::Version:
        return 0; // printed before any display was needed
    case HackRun::NotAHack:
        break;
    }

    const QString arguments = ArgumentsFrom(argumentsAfterProgram);
    const QString switchText = SwitchOf(arguments);
    const bool displayPropertiesOpen = platform::FindTopLevelWindow(DisplayPropertiesTitle) != 0;
    // Asked in every mode: asking also registers this run for the starts after it.
    const bool previousInstance = platform::PreviousInstanceRunning();
    if (EndsAsSecondInstance(switchText, displayPropertiesOpen, previousInstance))
        return 0;

    switch (ModeOf(switchText)) {
    case Mode::Saver:
        return RunSaver();
    case Mode::Preview:
        return RunPreview(arguments);
    case Mode::Settings:
        return RunSettings();
    case Mode::None:
        break;
    }
    return 0;
}

saver::frmMain *MainForm()
{
    if (LoadedSaverWindows)
        return LoadedSaverWindows->primaryWindow();
    return LoadedMainForm.get();
}

saver::SaverWindows *SaverWindows()
{
    return LoadedSaverWindows.get();
}

setup::frmSetup *SetupForm()
{
    return LoadedSetupForm.get();
}

void ResetState()
{
    LoadedSaverWindows.reset();
    LoadedMainForm.reset();
    LoadedSetupForm.reset();
    State = {};
    platform::RouteMessages(platform::MessageRoute::Boxes);
}

} // namespace startup
