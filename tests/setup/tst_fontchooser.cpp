#include "TestSupport.h"

#include "dialogs/setup/FontChooser.h"
#include "core/Colours.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLabel>
#include <QListView>
#include <QTest>

using setup::CommonDialog;
using setup::FontChooser;

Q_DECLARE_METATYPE(setup::CommonDialog)

namespace {

CommonDialog Start(const QString &name, float size, bool bold, bool italic, qint32 colour)
{
    return {259, colour, name, size, bold, italic, false, false};
}

// One line per dialog, so that a difference shows in full.
QString Described(const CommonDialog &font)
{
    return QStringLiteral("%1 %2pt bold %3 italic %4 strike %5 underline %6 colour %7")
        .arg(font.FontName)
        .arg(font.FontSize)
        .arg(font.FontBold)
        .arg(font.FontItalic)
        .arg(font.FontStrikethru)
        .arg(font.FontUnderline)
        .arg(font.Color);
}

QString Taken(const FontChooser &chooser)
{
    CommonDialog choice;
    chooser.TakeChoice(choice);
    return Described(choice);
}

QFontDialog *Panel(FontChooser &chooser)
{
    return chooser.findChild<QFontDialog *>("fontPanel");
}

} // namespace

// The font chooser, driven through its controls as a person would.
class TstFontChooser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { CommonDialog::SetResponder({}); }

    void startShownAndGivenBackUntouched_data()
    {
        QTest::addColumn<CommonDialog>("start");
        QTest::addColumn<QString>("face"); // what the panel shows
        QTest::addColumn<QString>("colourItem");
        // Where Arial is missing, its metric twin stands in.
        const bool arial = QFontDatabase::families().contains("Arial");
        QTest::newRow("missing face, bold red") << Start("Arial", 14, true, false, 255)
                                                << (arial ? "Arial" : "Liberation Sans") << "Red";
        CommonDialog effects = Start("Liberation Serif", 10.5f, false, false, 65535);
        effects.FontStrikethru = effects.FontUnderline = true;
        QTest::newRow("half point, effects, yellow") << effects << "Liberation Serif"
                                                     << "Yellow";
        QTest::newRow("oblique face, unlisted colour")
            << Start("DejaVu Sans", 9, false, true, 0x123456) << "DejaVu Sans"
            << "Custom";
    }
    void startShownAndGivenBackUntouched()
    {
        QFETCH(CommonDialog, start);
        QFETCH(QString, face);
        QFETCH(QString, colourItem);
        FontChooser chooser(start, nullptr);
        const QFont shown = Panel(chooser)->currentFont();
        QCOMPARE(shown.family(), face);
        QCOMPARE(shown.pointSize(), qRound(start.FontSize));
        QCOMPARE(shown.bold(), start.FontBold);
        QCOMPARE(shown.style() != QFont::StyleNormal, start.FontItalic);
        QCOMPARE(shown.strikeOut(), start.FontStrikethru);
        QCOMPARE(shown.underline(), start.FontUnderline);
        QCOMPARE(chooser.findChild<QComboBox *>("cboColour")->currentText(), colourItem);
        const auto *sample = chooser.findChild<QLabel *>("lblSample");
        QCOMPARE(sample->font().pointSizeF(), double(start.FontSize));
        QCOMPARE(sample->palette().color(QPalette::WindowText),
                 QColor(core::RgbFromStored(start.Color)));
        QCOMPARE(Taken(chooser), Described(start));
    }

    // The stored name and a size the panel cannot show last only until the user picks.
    void pickedFaceAndSizeReplaceTheStart()
    {
        FontChooser chooser(Start("Arial", 10.5f, false, false, 0), nullptr);
        const QString substitute = Panel(chooser)->currentFont().family();
        const auto pick = [&](const QString &face, int size) {
            Panel(chooser)->setCurrentFont(QFont(face, size));
            return Taken(chooser);
        };
        QCOMPARE(pick(substitute, 11), Described(Start("Arial", 10.5f, false, false, 0)));
        QCOMPARE(pick(substitute, 12), Described(Start("Arial", 12, false, false, 0)));
        QCOMPARE(pick(substitute, 11), Described(Start("Arial", 11, false, false, 0)));
        pick("DejaVu Sans", 11);
        QCOMPARE(pick(substitute, 11), Described(Start(substitute, 11, false, false, 0)));
    }

    void customColourAsksTheColourDialog()
    {
        FontChooser chooser(Start("Arial", 14, true, false, 255), nullptr);
        auto *colours = chooser.findChild<QComboBox *>("cboColour");
        QList<qint32> asked; // the colour each colour dialog started at
        QList<qint32> answers{0x654321, 65535, -1};
        CommonDialog::SetResponder([&](CommonDialog &dialog, CommonDialog::Kind kind) {
            const bool atColour =
                kind == CommonDialog::Kind::Color && (dialog.Flags & CommonDialog::cdlCCRGBInit);
            asked << (atColour ? dialog.Color : -2);
            dialog.Color = answers.takeFirst();
            return dialog.Color >= 0;
        });
        QStringList shown;
        for (int pick = 0; pick < 3; ++pick) {
            colours->setCurrentIndex(colours->count() - 1); // "Custom..."
            shown << colours->currentText();
        }
        QCOMPARE(shown, (QStringList{"Custom", "Yellow", "Yellow"}));
        QCOMPARE(asked, (QList<qint32>{255, 0x654321, 65535}));
        QCOMPARE(Taken(chooser), Described(Start("Arial", 14, true, false, 65535)));
    }

    void withoutEffectsFlag()
    {
        CommonDialog start = Start("Arial", 14, true, false, 255);
        start.Flags = CommonDialog::cdlCFBoth;
        FontChooser chooser(start, nullptr);
        chooser.show();
        QVERIFY(Panel(chooser)->isVisible());
        QVERIFY(!chooser.findChild<QComboBox *>("cboColour")->isVisible());
        for (const QCheckBox *box : Panel(chooser)->findChildren<QCheckBox *>())
            QVERIFY(!box->isVisible());
    }

    // The panel is a dialog of its own: Enter and Escape in its lists must end this one.
    void panelKeysEndTheChooser()
    {
        for (const auto &[key, result] : {std::pair{Qt::Key_Return, QDialog::Accepted},
                                          std::pair{Qt::Key_Escape, QDialog::Rejected}}) {
            FontChooser chooser(Start("Arial", 14, true, false, 255), nullptr);
            chooser.setResult(-1);
            chooser.show();
            QTest::keyClick(Panel(chooser)->findChild<QListView *>(), key);
            QCOMPARE(chooser.result(), int(result));
            QVERIFY(!chooser.isVisible());
            QVERIFY(!Panel(chooser)->isHidden());
        }
    }
};

LUMIDEX_REGISTER_TEST(TstFontChooser)
#include "tst_fontchooser.moc"
