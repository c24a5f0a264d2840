#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

class QWidget;

namespace setup {

// The font and colour dialogs of the settings dialog. Like a common-dialog component it
// holds the values the next dialog starts from; a confirmed dialog leaves the chosen
// values in it, a cancelled one leaves them as they were.
class CommonDialog
{
public:
    // Flags: the colour dialog starts at Color; the font dialog lists every font and
    // offers strikeout, underline and a text colour.
    static constexpr qint32 cdlCCRGBInit = 0x1;
    static constexpr qint32 cdlCFBoth = 0x3;
    static constexpr qint32 cdlCFEffects = 0x100;

    enum class Kind { Color, Font };
    // Answers a dialog instead of a person (tests): may change the values and returns
    // whether the dialog was confirmed.
    using Responder = std::function<bool(CommonDialog &dialog, Kind kind)>;

    qint32 Flags = 0;
    qint32 Color = 0; // 0x00BBGGRR
    QString FontName;
    float FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontStrikethru = false;
    bool FontUnderline = false;

    // Modal over parent. True when the user confirmed the dialog.
    bool ShowColor(QWidget *parent);
    bool ShowFont(QWidget *parent);

    // An empty responder gives back the real dialogs.
    static void SetResponder(Responder responder);
};

} // namespace setup
