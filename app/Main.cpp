#include "app/Main.h"

#include "app/CommandLine.h"
#include "app/modGeneral.h"
#include "dialogs/setup/frmSetup.h"
#include "platform/Processes.h"
#include "platform/SaverWindowCalls.h"
#include "platform/WindowCalls.h"
#include "saver/frmMain.h"
#include "settings/Settings.h"

#include <QGuiApplication>
#include <QScreen>
#include <memory>

namespace modGeneral {

namespace {

// Font size of both lines in the small preview.
constexpr double PreviewPointSize = 8;
// The preview's travel is its size times these, not the 15 twips of a pixel.
constexpr qint32 PreviewSpanFactor = 12;
constexpr qint32 PreviewTopFactor = 5;
constexpr qint32 PreviewLineGap = 200;

const QString DisplayPropertiesTitle = QStringLiteral("Display Properties");

std::unique_ptr<saver::frmMain> LoadedMainForm;
std::unique_ptr<setup::frmSetup> LoadedSetupForm;

void ReadStartupSettings()
{
    ImageIndex = settings::ReadWhole16(settings::key::ImageIndex);
    DefaultTab = settings::ReadWhole16(settings::key::DefaultTab);
    IncludeDays = settings::ReadWhole16(settings::key::IncludeDays);
}

saver::frmMain &LoadMainForm()
{
    LoadedMainForm = std::make_unique<saver::frmMain>();
    LoadedMainForm->Form_Load();
    return *LoadedMainForm;
}

std::optional<int> RunSaver()
{
    RunMode = RunModeFullScreen;
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    DisplayRect = {desktop.left(), desktop.top(), desktop.left() + desktop.width(),
                   desktop.top() + desktop.height()};
    saver::frmMain &form = LoadMainForm();
    platform::PlaceTopmost(&form, QRect(0, 0, DisplayRect.right, DisplayRect.bottom));
    platform::SetScreenSaverRunning(true);
    return std::nullopt;
}

// The travel shrinks to the preview's size; an unknown direction keeps what the set-up
// made of it.
void ShrinkToPreview()
{
    switch (SaverLayout.Direction) {
    case saver::Forward:
    case saver::Backward:
        SaverLayout.PreviewSpan = DisplayRect.right * PreviewSpanFactor;
        SaverLayout.BlockLeft = DisplayRect.right * PreviewSpanFactor;
        SaverLayout.BlockTop = DisplayRect.bottom * PreviewTopFactor;
        break;
    case saver::Downward:
    case saver::Upward:
        SaverLayout.BlockLeft = 0;
        SaverLayout.PreviewSpan = DisplayRect.bottom * PreviewSpanFactor;
        SaverLayout.BlockTop = SaverLayout.PreviewSpan / 2;
        break;
    default:
        return;
    }
    SaverLayout.LineGap = PreviewLineGap;
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
    RunMode = RunModePreview;
    PreviewWindow = startup::PreviewHostNumber(arguments);
    // No host to show in (no number, or a window that is gone): nothing to do.
    const std::optional<QSize> host = platform::ForeignClientSize(quint32(PreviewWindow));
    if (!host)
        return 0;
    DisplayRect = {0, 0, host->width(), host->height()};

    saver::frmMain &form = LoadMainForm();
    ShrinkToPreview();
    form.setWindowTitle(QStringLiteral("Preview"));
    UsePreviewFonts(form);
    if (!platform::EmbedInForeignWindow(&form, quint32(PreviewWindow), *host))
        return 0;
    // The host closes the preview by destroying its window, which takes ours along.
    platform::WhenDestroyedFromOutside(&form, [&form] { form.close(); });
    platform::ShowCursor(true);
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

saver::frmMain *MainForm()
{
    return LoadedMainForm.get();
}

setup::frmSetup *SetupForm()
{
    return LoadedSetupForm.get();
}

void ResetState()
{
    LoadedMainForm.reset();
    LoadedSetupForm.reset();
    ImageIndex = 1;
    DefaultTab = 0;
    IncludeDays = 0;
    ScreenWidth = 0;
    ScreenHeight = 0;
    RunMode = RunModeNone;
    PreviewWindow = 0;
    DisplayRect = {};
    Position = 0;
    Direction = 0;
    ImageUsed = 0;
    ImagePath.clear();
    ImageName.clear();
    ImageSize = 0;
    ImageTag.clear();
    Countdown = {};
    SaverLayout = {};
}

} // namespace modGeneral
