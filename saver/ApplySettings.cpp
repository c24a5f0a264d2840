#include "saver/ApplySettings.h"

#include "app/modGeneral.h"
#include "dialogs/browse/BuiltInPictures.h"
#include "platform/Colours.h"
#include "platform/Conversions.h"
#include "platform/MessageBox.h"
#include "platform/Pictures.h"
#include "saver/frmMain.h"
#include "settings/Settings.h"

#include <QDateTime>

namespace modGeneral {

namespace {

using settings::Bounds;

qint32 Rounded(double value)
{
    return static_cast<qint32>(platform::RoundHalfEven(value));
}

void ReportFailure(const platform::Failure &failure)
{
    platform::MsgBox(QStringLiteral("Error Number: ") + QString::number(failure.number) +
                     QStringLiteral("\r\n") + failure.description);
}

// The value to use; a stored text that cannot be read is reported first.
template <typename T> T Reported(const settings::Reading<T> &reading)
{
    if (reading.failure)
        ReportFailure(*reading.failure);
    return reading.value;
}

struct PictureChoice
{
    qint16 used;
    QString folder;
    QString name;
    qint16 sizeFactor;
};

QImage LoadChosenPicture(const saver::frmMain &form, const PictureChoice &choice)
{
    if (choice.name.isEmpty())
        return browse::BuiltInPicture(ImageIndex);
    const platform::Converted<QImage> loaded =
        platform::LoadPicture(platform::PicturePath(choice.folder, choice.name));
    if (loaded.ok())
        return *loaded.value;
    // A folder that has gone (another disk, another machine) is not worth a message:
    // the logo stands in.
    if (loaded.failure.number == platform::PathNotFound)
        return form.ilsLogo;
    ReportFailure(loaded.failure);
    return {};
}

void ApplySizeFactor(saver::PictureElement &photo, qint16 factor)
{
    const QSizeF natural = photo.size();
    if (factor > 1)
        photo.setStretchedSize(natural * factor);
    else if (factor < -1)
        photo.setStretchedSize(natural / -factor);
}

void SetPicture(saver::frmMain &form, const PictureChoice &choice)
{
    form.imgPhoto.clear();
    if (choice.used == 0)
        return;
    if (RunMode != RunModeFullScreen) {
        // The preview is too small for the chosen picture: it shows the default one at
        // half size, riding with the block.
        form.imgPhoto.setPicture(form.imgDefault);
        form.imgPhoto.setStretchedSize(form.imgPhoto.size());
        SaverLayout.PictureHalfHeight = Rounded(form.imgPhoto.size().height() / 2);
        SaverLayout.PictureHalfWidth = Rounded(form.imgPhoto.size().width() / 2);
        return;
    }
    const QImage picture = LoadChosenPicture(form, choice);
    if (picture.isNull())
        return;
    form.imgPhoto.setPicture(picture);
    ApplySizeFactor(form.imgPhoto, choice.sizeFactor);
}

void SetMotion(saver::frmMain &form)
{
    SaverLayout.Direction = Reported(settings::TryWhole16(settings::key::Direction, Bounds::Any));
    SaverLayout.Position = Reported(settings::TryWhole16(settings::key::Position, Bounds::Any));
    const qint16 speed = Reported(settings::TryWhole16(settings::key::Speed));
    form.tmrScroll.setInterval(Rounded(100.0 / (speed + 1)));
}

// One text line of the saver: the title line is line 0, the countdown line line 1.
void SetTextLine(saver::TextLine &line, int lineNumber, const QString &text,
                 const QColor &background)
{
    using settings::FontAttribute;
    using settings::FontKey;
    line.setText(text);
    line.setBackground(background);
    line.setAlignment(Qt::AlignLeft);
    QFont font(settings::ReadText(FontKey(FontAttribute::Name, lineNumber)));
    font.setPointSizeF(Reported(settings::TrySingle(FontKey(FontAttribute::Size, lineNumber))));
    line.setColor(platform::ColourFromStored(
        Reported(settings::TryWhole32(FontKey(FontAttribute::Color, lineNumber)))));
    font.setBold(Reported(settings::TryFlag(FontKey(FontAttribute::Bold, lineNumber))));
    font.setItalic(Reported(settings::TryFlag(FontKey(FontAttribute::Italic, lineNumber))));
    font.setStrikeOut(Reported(settings::TryFlag(FontKey(FontAttribute::Strikethru, lineNumber))));
    font.setUnderline(Reported(settings::TryFlag(FontKey(FontAttribute::Underline, lineNumber))));
    line.setFont(font);
}

// The wider line gives the block its width and the other line is widened to match.
void MeasureBlock(saver::frmMain &form)
{
    saver::TextLine &wider =
        form.lblText.size().width() > form.lblTime.size().width() ? form.lblText : form.lblTime;
    saver::TextLine &narrower = &wider == &form.lblText ? form.lblTime : form.lblText;
    SaverLayout.BlockWidth = Rounded(wider.size().width());
    narrower.setWidth(SaverLayout.BlockWidth);
    SaverLayout.BlockHeight = Rounded(form.lblText.size().height() + form.lblTime.size().height());
    SaverLayout.LineGap = Rounded(form.lblText.size().height());
}

} // namespace

void ApplySettings(saver::frmMain &form)
{
    form.seedRandom(static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch()));

    const PictureChoice choice{
        Reported(settings::TryWhole16(settings::key::ImageUsed, Bounds::Any)),
        settings::ReadText(settings::key::ImagePath),
        settings::ReadText(settings::key::ImageName),
        Reported(settings::TryWhole16(settings::key::ImageSize)),
    };
    SetPicture(form, choice);

    const QColor background =
        platform::ColourFromStored(Reported(settings::TryWhole32(settings::key::Background)));
    form.setBackgroundColour(background);
    SetMotion(form);

    SetTextLine(form.lblText, settings::TitleLine, Countdown.TitleText, background);
    SetTextLine(form.lblTime, settings::CountdownLine, Countdown.Phrase(), background);
    MeasureBlock(form);
    if (saver::PlaceAtStart(SaverLayout, ScreenWidth, ScreenHeight)) {
        form.lblText.setAlignment(Qt::AlignHCenter);
        form.lblTime.setAlignment(Qt::AlignHCenter);
    }

    SaverLayout.PictureCenterX = Rounded(ScreenWidth / 2.0);
    SaverLayout.PictureTop = Rounded(ScreenHeight / 2.0);
    form.tmrScroll_Timer();
}

} // namespace modGeneral
