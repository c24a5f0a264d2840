#include "saver/ApplySettings.h"

#include "assets/BuiltInPictures.h"
#include "core/Colours.h"
#include "core/Rounding.h"
#include "core/Twips.h"
#include "platform/MessageBox.h"
#include "platform/Pictures.h"
#include "saver/frmMain.h"
#include "settings/MotionCodes.h"
#include "settings/PictureSize.h"
#include "settings/Settings.h"
#include "state/modGeneral.h"

#include <QRandomGenerator>

namespace saver {

namespace {

using core::Rounded;
using modGeneral::State;
using settings::Bounds;

QColor ColourOf(qint32 stored)
{
    return QColor(core::RgbFromStored(stored));
}

struct PictureChoice
{
    qint16 used;
    QString folder;
    QString name;
    qint16 sizeFactor;
};

// The screen the picture must fit, in logical pixels.
QSize ScreenPixels(const frmMain &form)
{
    return QSize(core::ToPixels(form.ScreenWidth), core::ToPixels(form.ScreenHeight));
}

// The same screen in its own pixels: twice as many each way at twice the density.
QSize DevicePixels(const frmMain &form)
{
    return (QSizeF(ScreenPixels(form)) * form.devicePixelRatioF()).toSize();
}

// The most pixels the window's picture keeps: the screen's own, and no more than X11 draws
// (also when the screen is larger or not known).
QSize PictureBounds(const frmMain &form)
{
    const QSize drawn(platform::LargestDrawnSide, platform::LargestDrawnSide);
    const QSize device = DevicePixels(form);
    return device.isEmpty() ? drawn : device.boundedTo(drawn);
}

QImage LoadChosenPicture(const frmMain &form, const PictureChoice &choice)
{
    if (choice.name.isEmpty())
        return assets::BuiltInPicture(State.ImageIndex);
    // Decoded no larger than the screen: a photograph of any size costs screen-sized memory.
    const core::Converted<QImage> loaded = platform::LoadPicture(
        platform::PicturePath(choice.folder, choice.name), PictureBounds(form));
    if (loaded.ok())
        return *loaded.value;
    // A folder that has gone (another disk, another machine) is not worth a message:
    // the logo stands in.
    if (loaded.failure.number == core::PathNotFound)
        return form.ilsLogo;
    platform::ReportFailure(loaded.failure);
    return {};
}

void ApplySizeFactor(PictureElement &photo, qint16 factor)
{
    const QSizeF natural = photo.size();
    if (factor > 1)
        photo.setStretchedSize(natural * factor);
    else if (factor < -1)
        photo.setStretchedSize(natural / -factor);
}

// A picture never outgrows the screen: one larger than it (a metafile, or a format decoded
// whole) is shrunk to fit, and a stored factor steps back until it fits, as the image
// browser steps it. A hand-edited factor or a file replaced since cannot take gigabytes.
// On a denser screen the shrunk picture keeps the screen's own pixels.
void FitToScreen(frmMain &form, QImage picture, qint16 factor)
{
    PictureElement &photo = form.imgPhoto;
    const auto outgrows = [&picture](QSize bounds) {
        return !bounds.isEmpty() && picture.size().boundedTo(bounds) != picture.size();
    };
    const QSize screen = ScreenPixels(form);
    const QSize bounds = PictureBounds(form);
    if (outgrows(bounds))
        picture = picture.scaled(bounds, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    photo.setPicture(picture);
    if (outgrows(screen))
        photo.setStretchedSize(QSizeF(picture.size().scaled(screen, Qt::KeepAspectRatio)) *
                               core::TwipsPerPixel);
    ApplySizeFactor(photo, settings::FittingFactor(photo.size().toSize(), factor,
                                                   QSize(form.ScreenWidth, form.ScreenHeight)));
}

void SetPicture(frmMain &form, const PictureChoice &choice)
{
    form.imgPhoto.clear();
    if (choice.used == 0)
        return;
    if (State.RunMode != modGeneral::RunModeFullScreen) {
        // The preview is too small for the chosen picture: it shows the default one at
        // half size, riding with the block.
        form.imgPhoto.setPicture(form.imgDefault);
        form.imgPhoto.setStretchedSize(form.imgPhoto.size());
        form.SaverLayout.PictureHalfHeight = Rounded(form.imgPhoto.size().height() / 2);
        form.SaverLayout.PictureHalfWidth = Rounded(form.imgPhoto.size().width() / 2);
        return;
    }
    const QImage picture = LoadChosenPicture(form, choice);
    if (!picture.isNull())
        FitToScreen(form, picture, choice.sizeFactor);
}

void SetMotion(frmMain &form)
{
    modGeneral::SaverLayoutState &layout = form.SaverLayout;
    layout.Direction = settings::ReadWhole16(settings::key::Direction, Bounds::Any);
    layout.Position = settings::ReadWhole16(settings::key::Position, Bounds::Any);
    const qint16 speed = settings::ReadWhole16(settings::key::Speed);
    form.tmrScroll.setInterval(TimerInterval(speed));
}

// One text line of the saver: the title line is line 0, the countdown line line 1.
void SetTextLine(TextLine &line, int lineNumber, const QString &text, const QColor &background)
{
    using settings::FontAttribute;
    using settings::FontKey;
    line.setText(text);
    line.setBackground(background);
    line.setAlignment(Qt::AlignLeft);
    QFont font(settings::ReadText(FontKey(FontAttribute::Name, lineNumber)));
    font.setPointSizeF(settings::ReadSingle(FontKey(FontAttribute::Size, lineNumber)));
    line.setColor(ColourOf(settings::ReadWhole32(FontKey(FontAttribute::Color, lineNumber))));
    font.setBold(settings::ReadFlag(FontKey(FontAttribute::Bold, lineNumber)));
    font.setItalic(settings::ReadFlag(FontKey(FontAttribute::Italic, lineNumber)));
    font.setStrikeOut(settings::ReadFlag(FontKey(FontAttribute::Strikethru, lineNumber)));
    font.setUnderline(settings::ReadFlag(FontKey(FontAttribute::Underline, lineNumber)));
    line.setFont(font);
}

// The wider line gives the block its width and the other line is widened to match.
void MeasureBlock(frmMain &form)
{
    modGeneral::SaverLayoutState &layout = form.SaverLayout;
    TextLine &wider =
        form.lblText.size().width() > form.lblTime.size().width() ? form.lblText : form.lblTime;
    TextLine &narrower = &wider == &form.lblText ? form.lblTime : form.lblText;
    layout.BlockWidth = Rounded(wider.size().width());
    narrower.setWidth(layout.BlockWidth);
    layout.BlockHeight = Rounded(form.lblText.size().height() + form.lblTime.size().height());
    layout.LineGap = Rounded(form.lblText.size().height());
}

} // namespace

void ApplySettings(frmMain &form)
{
    // Not the clock: windows set up in the same millisecond would draw the same heights.
    form.seedRandom(QRandomGenerator::global()->generate());

    const PictureChoice choice{
        settings::ReadWhole16(settings::key::ImageUsed, Bounds::Any),
        settings::ReadText(settings::key::ImagePath),
        settings::ReadText(settings::key::ImageName),
        settings::ReadWhole16(settings::key::ImageSize),
    };
    SetPicture(form, choice);

    const QColor background = ColourOf(settings::ReadWhole32(settings::key::Background));
    form.setBackgroundColour(background);
    SetMotion(form);

    SetTextLine(form.lblText, settings::TitleLine, State.Countdown.TitleText, background);
    SetTextLine(form.lblTime, settings::CountdownLine, State.Countdown.Phrase(), background);
    MeasureBlock(form);
    modGeneral::SaverLayoutState &layout = form.SaverLayout;
    if (PlaceAtStart(layout, form.ScreenWidth, form.ScreenHeight)) {
        form.lblText.setAlignment(Qt::AlignHCenter);
        form.lblTime.setAlignment(Qt::AlignHCenter);
    }

    layout.PictureCenterX = Rounded(form.ScreenWidth / 2.0);
    layout.PictureTop = Rounded(form.ScreenHeight / 2.0);
    form.tmrScroll_Timer();
}

void ShowNewCountdown(frmMain &form)
{
    form.lblText.setText(State.Countdown.TitleText);
    form.lblTime.setText(State.Countdown.Phrase());
    MeasureBlock(form);
    modGeneral::SaverLayoutState &layout = form.SaverLayout;
    const bool vertical =
        layout.Direction == settings::Downward || layout.Direction == settings::Upward;
    if (vertical && State.RunMode == modGeneral::RunModeFullScreen)
        layout.BlockLeft = CentredLeft(layout, form.ScreenWidth);
}

} // namespace saver
