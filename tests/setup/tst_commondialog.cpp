#include "TestSupport.h"

#include "dialogs/setup/CommonDialog.h"
#include "dialogs/setup/FontChooser.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QLabel>
#include <QTest>
#include <QTimer>

using setup::CommonDialog;

// The real dialogs, answered once they are up, and the responder that stands in for them.
class TstCommonDialog : public QObject
{
    Q_OBJECT

    QString m_missed; // what was up instead of the expected dialog

    template <typename Dialog>
    void AnswerNextDialog(bool confirm, std::function<void(Dialog &)> act)
    {
        QTimer::singleShot(0, this, [this, confirm, act] {
            auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            auto *dialog = qobject_cast<Dialog *>(modal);
            if (!dialog) {
                m_missed = modal ? modal->metaObject()->className() : "nothing";
                if (modal)
                    modal->reject();
                return;
            }
            act(*dialog);
            confirm ? dialog->accept() : dialog->reject();
        });
    }

private Q_SLOTS:
    void init()
    {
        testing::ClearStore();
        m_missed.clear();
    }
    void cleanup()
    {
        CommonDialog::SetResponder({});
        testing::ClearStore();
    }

    void colourDialog()
    {
        const QColor start(0x56, 0x34, 0x12);
        for (const auto &[flags, confirm, opensAt, result] :
             {std::tuple{CommonDialog::cdlCCRGBInit, true, start, 65280},
              std::tuple{CommonDialog::cdlCCRGBInit, false, start, 0x123456},
              std::tuple{0, true, QColor(Qt::black), 65280}}) {
            CommonDialog dialog;
            dialog.Flags = flags;
            dialog.Color = 0x123456;
            QColor shown;
            AnswerNextDialog<QColorDialog>(confirm, [&](QColorDialog &colours) {
                shown = colours.currentColor();
                colours.setCurrentColor(Qt::green);
            });
            QCOMPARE(dialog.ShowColor(nullptr), confirm);
            QCOMPARE(m_missed, QString());
            QCOMPARE(shown, opensAt);
            QCOMPARE(dialog.Color, result);
        }
    }

    void fontDialogThroughItsControls()
    {
        testing::Store("Background", "16711680"); // blue
        for (const bool confirm : {true, false}) {
            CommonDialog dialog{259, 255, "Arial", 14, true, false, false, false};
            QColor sampleBackground;
            AnswerNextDialog<setup::FontChooser>(confirm, [&](setup::FontChooser &chooser) {
                QFont font(QStringLiteral("DejaVu Sans"), 20);
                font.setItalic(true);
                chooser.findChild<QFontDialog *>()->setCurrentFont(font);
                for (QCheckBox *box : chooser.findChildren<QCheckBox *>())
                    if (box->text().remove('&') == QStringLiteral("Underline"))
                        box->click();
                auto *colours = chooser.findChild<QComboBox *>("cboColour");
                colours->setCurrentIndex(colours->findData(65280));
                sampleBackground =
                    chooser.findChild<QLabel *>("lblSample")->palette().color(QPalette::Window);
            });
            QCOMPARE(dialog.ShowFont(nullptr), confirm);
            QCOMPARE(m_missed, QString());
            QCOMPARE(sampleBackground, QColor(Qt::blue)); // as on the saver screen
            QCOMPARE(dialog.FontName, QString(confirm ? "DejaVu Sans" : "Arial"));
            QCOMPARE(dialog.FontSize, confirm ? 20.0f : 14.0f);
            QCOMPARE(dialog.FontBold, !confirm);
            QCOMPARE(dialog.FontItalic, confirm);
            QCOMPARE(dialog.FontUnderline, confirm);
            QVERIFY(!dialog.FontStrikethru);
            QCOMPARE(dialog.Color, confirm ? 65280 : 255);
        }
    }

    void responderAnswersInstead()
    {
        QList<CommonDialog::Kind> asked;
        CommonDialog::SetResponder([&](CommonDialog &dialog, CommonDialog::Kind kind) {
            asked << kind;
            dialog.FontSize = 20;
            return kind == CommonDialog::Kind::Font;
        });
        CommonDialog dialog;
        QVERIFY(dialog.ShowFont(nullptr));
        QCOMPARE(dialog.FontSize, 20.0f);
        QVERIFY(!dialog.ShowColor(nullptr));
        QCOMPARE(asked, (QList{CommonDialog::Kind::Font, CommonDialog::Kind::Color}));
    }
};

LUMIDEX_REGISTER_TEST(TstCommonDialog)
#include "tst_commondialog.moc"
