#include "dialogs/setup/FontChooser.h"

#include "core/Colours.h"
#include "dialogs/EnterKey.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <array>

namespace setup {

namespace {

struct NamedColour
{
    const char *name;
    qint32 stored; // 0x00BBGGRR
};

// The sixteen colours a system font dialog has always offered.
constexpr std::array<NamedColour, 16> ClassicColours{{
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Black"), 0x000000},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Maroon"), 0x000080},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Green"), 0x008000},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Olive"), 0x008080},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Navy"), 0x800000},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Purple"), 0x800080},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Teal"), 0x808000},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Grey"), 0x808080},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Silver"), 0xC0C0C0},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Red"), 0x0000FF},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Lime"), 0x00FF00},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Yellow"), 0x00FFFF},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Blue"), 0xFF0000},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Fuchsia"), 0xFF00FF},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "Aqua"), 0xFFFF00},
    {QT_TRANSLATE_NOOP("setup::FontChooser", "White"), 0xFFFFFF},
}};

// A colour outside the list gets an item of its own here, just before "Custom...".
constexpr int CustomItem = int(ClassicColours.size());

// The panel's whole-number sizes, as its size box accepts them.
constexpr int SmallestPanelSize = 1;
constexpr int LargestPanelSize = 512;

constexpr int StartWidth = 560;

QIcon Swatch(qint32 stored)
{
    QPixmap pixmap(24, 14);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.setBrush(QColor(core::RgbFromStored(stored)));
    painter.drawRect(0, 1, 23, 12);
    return QIcon(pixmap);
}

// Strikeout and underline sit in a group box of the panel's own; the colour list joins
// them there, so that one switch shows or hides all the effects.
QGroupBox *EffectsBox(QFontDialog *panel)
{
    const auto boxes = panel->findChildren<QCheckBox *>();
    return boxes.isEmpty() ? nullptr : qobject_cast<QGroupBox *>(boxes.first()->parentWidget());
}

} // namespace

FontChooser::FontChooser(const CommonDialog &start, QWidget *parent)
    : QDialog(parent), m_start(start)
{
    setWindowTitle(tr("Font"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    m_background = palette().color(QPalette::Base);

    m_panel = new QFontDialog(this);
    m_panel->setObjectName(QStringLiteral("fontPanel"));
    m_panel->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_panel->setWindowFlags(Qt::Widget);
    m_panel->setSizeGripEnabled(false);
    m_panel->layout()->setContentsMargins(0, 0, 0, 0);
    // Enter and Escape in the panel's lists end the panel as a dialog; they are meant for
    // this one.
    connect(m_panel, &QDialog::finished, this, [this](int result) {
        m_panel->show();
        done(result);
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_panel);

    QGroupBox *effects = EffectsBox(m_panel);
    BuildColourList(effects);
    if (!(start.Flags & CommonDialog::cdlCFEffects)) {
        if (effects)
            effects->hide();
        else
            m_colours->parentWidget()->hide();
    }

    // The panel's own sample knows no colour: the sample here takes its place.
    m_sample = new QLabel(this);
    m_sample->setObjectName(QStringLiteral("lblSample"));
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setAutoFillBackground(true);
    // A large size is cut off at the edges, as in any font sample, rather than growing
    // the dialog.
    m_sample->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_sample->setMinimumHeight(40);
    auto *panelSample = m_panel->findChild<QLineEdit *>(QStringLiteral("qt_fontDialog_sampleEdit"));
    QWidget *sampleBox = panelSample ? panelSample->parentWidget() : nullptr;
    if (sampleBox && sampleBox->layout()) {
        panelSample->hide();
        sampleBox->layout()->addWidget(m_sample);
        // The panel changes its sample text with the writing system.
        m_sample->setText(panelSample->text());
        connect(panelSample, &QLineEdit::textChanged, m_sample, &QLabel::setText);
    } else {
        m_sample->setText(QStringLiteral("AaBbYyZz"));
        layout->addWidget(m_sample);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    dialogs::EnterPressesFocusedButtons(*this);

    // The panel lists the faces this system has and shows a whole number of points. A
    // stored face it lacks ("Arial" where only Liberation Sans is installed) is shown as
    // the face the system draws in its place, and a size such as 10.5 rounded. Confirming
    // without moving off either gives back the stored name and size, not the substitute:
    // the text will look the same, and the setting still names the face the user chose,
    // should that face be installed later. Once the user picks a face or size, that choice
    // is what comes back.
    QFont stored(start.FontName);
    stored.setBold(start.FontBold);
    stored.setItalic(start.FontItalic);
    // The panel finds a style by its name ("Normal", "Bold"), which many faces do not use
    // ("Book", "Oblique", "Demi"), and then falls back to the face's first style, often a
    // bold or slanted one: so it is told the name of the style that will be drawn.
    const QFontInfo drawn(stored);
    QFont shown(drawn.family());
    shown.setStyleName(drawn.styleName());
    shown.setPointSize(qBound(SmallestPanelSize, qRound(start.FontSize), LargestPanelSize));
    shown.setStrikeOut(start.FontStrikethru);
    shown.setUnderline(start.FontUnderline);
    m_panel->setCurrentFont(shown);
    m_shownFamily = m_panel->currentFont().family();
    m_shownSize = m_panel->currentFont().pointSize();
    connect(m_panel, &QFontDialog::currentFontChanged, this, &FontChooser::PanelChanged);

    SelectColour(start.Color);
    connect(m_colours, &QComboBox::currentIndexChanged, this, &FontChooser::ColourPicked);

    // Each of the panel's three lists asks for the width of a full list; a face or style
    // name needs far less.
    resize(qMax(minimumSizeHint().width(), StartWidth), sizeHint().height());
}

void FontChooser::BuildColourList(QGroupBox *effects)
{
    // Without the panel's effects box (another Qt), the list gets a row of its own.
    QWidget *owner = effects ? static_cast<QWidget *>(effects) : new QWidget(this);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(tr("&Colour:"), owner);
    label->setObjectName(QStringLiteral("lblColour"));
    m_colours = new QComboBox(owner);
    m_colours->setObjectName(QStringLiteral("cboColour"));
    m_colours->setIconSize(QSize(24, 14));
    label->setBuddy(m_colours);
    for (const NamedColour &colour : ClassicColours)
        m_colours->addItem(Swatch(colour.stored), tr(colour.name), colour.stored);
    m_colours->addItem(tr("Custom..."));
    row->addWidget(label);
    row->addWidget(m_colours, 1);

    if (auto *box = effects ? qobject_cast<QBoxLayout *>(effects->layout()) : nullptr) {
        box->addLayout(row);
    } else {
        owner->setLayout(row);
        layout()->addWidget(owner);
    }
}

void FontChooser::SelectColour(qint32 colour)
{
    const QSignalBlocker quiet(m_colours);
    int index = m_colours->findData(colour);
    if (index < 0) {
        if (!m_colours->itemData(CustomItem).isValid())
            m_colours->insertItem(CustomItem, tr("Custom"));
        m_colours->setItemIcon(CustomItem, Swatch(colour));
        m_colours->setItemData(CustomItem, colour);
        index = CustomItem;
    }
    m_colours->setCurrentIndex(index);
    m_colourIndex = index;
    UpdateSample();
}

void FontChooser::ColourPicked(int index)
{
    if (m_colours->itemData(index).isValid()) {
        m_colourIndex = index;
        UpdateSample();
        return;
    }
    // "Custom...": the colour dialog of the settings, starting at the colour shown.
    CommonDialog custom;
    custom.Flags = CommonDialog::cdlCCRGBInit;
    custom.Color = m_colours->itemData(m_colourIndex).toInt();
    const qint32 before = custom.Color;
    SelectColour(custom.ShowColor(this) ? custom.Color : before);
}

void FontChooser::PanelChanged(const QFont &font)
{
    if (font.family() != m_shownFamily)
        m_keepStartName = false;
    if (font.pointSize() != m_shownSize)
        m_keepStartSize = false;
    UpdateSample();
}

QFont FontChooser::ChosenFont() const
{
    QFont font = m_panel->currentFont();
    if (m_keepStartSize && m_start.FontSize > 0)
        font.setPointSizeF(m_start.FontSize);
    return font;
}

qint32 FontChooser::ChosenColour() const
{
    return m_colours->itemData(m_colourIndex).toInt();
}

void FontChooser::UpdateSample()
{
    m_sample->setFont(ChosenFont());
    QPalette colours = m_sample->palette();
    colours.setColor(QPalette::Window, m_background);
    colours.setColor(QPalette::WindowText, QColor(core::RgbFromStored(ChosenColour())));
    m_sample->setPalette(colours);
}

void FontChooser::SetSampleBackground(const QColor &background)
{
    m_background = background;
    UpdateSample();
}

void FontChooser::TakeChoice(CommonDialog &into) const
{
    const QFont font = m_panel->currentFont();
    into.FontName = m_keepStartName ? m_start.FontName : font.family();
    into.FontSize = m_keepStartSize ? m_start.FontSize : float(font.pointSizeF());
    // Semibold and heavier read as bold: the setting knows only bold or not.
    into.FontBold = font.weight() >= QFont::DemiBold;
    into.FontItalic = font.style() != QFont::StyleNormal;
    const bool effects = m_start.Flags & CommonDialog::cdlCFEffects;
    into.FontStrikethru = effects ? font.strikeOut() : m_start.FontStrikethru;
    into.FontUnderline = effects ? font.underline() : m_start.FontUnderline;
    into.Color = effects ? ChosenColour() : m_start.Color;
}

} // namespace setup
