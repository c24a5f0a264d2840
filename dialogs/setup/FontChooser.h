#pragma once

#include "dialogs/setup/CommonDialog.h"

#include <QColor>
#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;
class QGroupBox;
class QLabel;

namespace setup {

// The font dialog behind CommonDialog::ShowFont. Qt's font dialog has no text colour, so
// it is embedded as a panel (face, style, size, strikeout, underline) and the effects box
// gains a colour list; the sample shows the text in the chosen font and colour.
//
// Objects tests can find: the panel (QFontDialog "fontPanel"), the colour list
// (QComboBox "cboColour"), the sample (QLabel "lblSample").
class FontChooser : public QDialog
{
    Q_OBJECT

public:
    // Starts from the font and colour in start; strikeout, underline and the colour are
    // offered only when start.Flags has cdlCFEffects.
    explicit FontChooser(const CommonDialog &start, QWidget *parent = nullptr);

    // The choice shown now, in the members ShowFont returns. A face or size the user has
    // not moved off comes back as it was stored, even where the system draws a substitute;
    // what the dialog does not offer (the effects without cdlCFEffects) keeps its start.
    void TakeChoice(CommonDialog &into) const;

    // The colour behind the sample, so it looks as it will on the saver screen.
    void SetSampleBackground(const QColor &background);

private:
    void BuildColourList(QGroupBox *effects);
    void SelectColour(qint32 colour);
    void ColourPicked(int index);
    void PanelChanged(const QFont &font);
    void UpdateSample();
    QFont ChosenFont() const;
    qint32 ChosenColour() const;

    const CommonDialog m_start;
    QFontDialog *m_panel = nullptr;
    QComboBox *m_colours = nullptr;
    QLabel *m_sample = nullptr;
    QColor m_background = Qt::white;
    // What the panel showed for the start font, and whether the user has moved off it
    // (see the constructor for why).
    QString m_shownFamily;
    int m_shownSize = 0;
    bool m_keepStartName = true;
    bool m_keepStartSize = true;
    int m_colourIndex = -1;
};

} // namespace setup
