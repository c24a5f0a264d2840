#include "saver/ApplySettings.h"

#include "assets/BuiltInPictures.h"
#include "core/Colours.h"
#include "core/Rounding.h"
#include "platform/MessageBox.h"
#include "platform/Pictures.h"
#include "saver/frmMain.h"
#include "settings/Settings.h"
#include "state/modGeneral.h"

#include <QDateTime>

namespace saver {

namespace {

using core::Rounded;
using modGeneral::State;
using settings::Bounds;

// The value to use; a stored text that cannot be read is reported first.
template <typename T> T Reported(const settings::Reading<T> &reading)
{
    if (reading.failure)
        platform::ReportFailure(*reading.failure);
    return reading.value;
}

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

QImage LoadChosenPicture(const frmMain &form, const PictureChoice &choice)
{
    if (choice.name.isEmpty())
        return assets::BuiltInPicture(State.ImageIndex);
    const core::Converted<QImage> loaded =
        platform::LoadPicture(platform::PicturePath(choice.folder, choice.name));
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
        State.SaverLayout.PictureHalfHeight = Rounded(form.imgPhoto.size().height() / 2);
        State.SaverLayout.PictureHalfWidth = Rounded(form.imgPhoto.size().width() / 2);
        return;
    }
    const QImage picture = LoadChosenPicture(form, choice);
    if (picture.isNull())
        return;
    form.imgPhoto.setPicture(picture);
    ApplySizeFactor(form.imgPhoto, choice.sizeFactor);
}

void SetMotion(frmMain &form)
{
    modGeneral::SaverLayoutState &layout = State.SaverLayout;
    layout.Direction = Reported(settings::TryWhole16(settings::key::Direction, Bounds::Any));
    layout.Position = Reported(settings::TryWhole16(settings::key::Position, Bounds::Any));
    const qint16 speed = Reported(settings::TryWhole16(settings::key::Speed));
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
    font.setPointSizeF(Reported(settings::TrySingle(FontKey(FontAttribute::Size, lineNumber))));
    line.setColor(
        ColourOf(Reported(settings::TryWhole32(FontKey(FontAttribute::Color, lineNumber)))));
    font.setBold(Reported(settings::TryFlag(FontKey(FontAttribute::Bold, lineNumber))));
    font.setItalic(Reported(settings::TryFlag(FontKey(FontAttribute::Italic, lineNumber))));
    font.setStrikeOut(Reported(settings::TryFlag(FontKey(FontAttribute::Strikethru, lineNumber))));
    font.setUnderline(Reported(settings::TryFlag(FontKey(FontAttribute::Underline, lineNumber))));
    line.setFont(font);
}

// The wider line gives the block its width and the other line is widened to match.
void MeasureBlock(frmMain &form)
{
    modGeneral::SaverLayoutState &layout = State.SaverLayout;
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
    form.seedRandom(static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch()));

    const PictureChoice choice{
        Reported(settings::TryWhole16(settings::key::ImageUsed, Bounds::Any)),
        settings::ReadText(settings::key::ImagePath),
        settings::ReadText(settings::key::ImageName),
        Reported(settings::TryWhole16(settings::key::ImageSize)),
    };
    SetPicture(form, choice);

    const QColor background = ColourOf(Reported(settings::TryWhole32(settings::key::Background)));
    form.setBackgroundColour(background);
    SetMotion(form);

    SetTextLine(form.lblText, settings::TitleLine, State.Countdown.TitleText, background);
    SetTextLine(form.lblTime, settings::CountdownLine, State.Countdown.Phrase(), background);
    MeasureBlock(form);
    if (PlaceAtStart(State.SaverLayout, State.ScreenWidth, State.ScreenHeight)) {
        form.lblText.setAlignment(Qt::AlignHCenter);
        form.lblTime.setAlignment(Qt::AlignHCenter);
    }

    State.SaverLayout.PictureCenterX = Rounded(State.ScreenWidth / 2.0);
    State.SaverLayout.PictureTop = Rounded(State.ScreenHeight / 2.0);
    form.tmrScroll_Timer();
}

} // namespace saver
