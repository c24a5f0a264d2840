#include "TestSupport.h"
#include "core/Failure.h"

#include "platform/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace platform;
using namespace core;

namespace {

struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Once the box is up, records what it shows and presses `press` (or Esc).
void AnswerNextBox(SeenBox &seen, QMessageBox::StandardButton press)
{
    QTimer::singleShot(0, [&seen, press] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                box->defaultButton() ? box->standardButton(box->defaultButton())
                                     : QMessageBox::NoButton};
        if (press == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(press)->click();
    });
}

} // namespace

class TstMessageBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { SetMessageBoxResponder({}); }

    void responderAnswersInsteadOfAPerson()
    {
        MessageBoxRequest seen;
        SetMessageBoxResponder([&seen](const MessageBoxRequest &request) {
            seen = request;
            return MsgAnswer::No;
        });
        QCOMPARE(MsgBox(QStringLiteral("Proceed?"), MsgButtons::YesNo, MsgIcon::Critical,
                        QStringLiteral("Save Current Settings")),
                 MsgAnswer::No);
        QCOMPARE(seen.text, QStringLiteral("Proceed?"));
        QCOMPARE(seen.title, QStringLiteral("Save Current Settings"));
        QCOMPARE(seen.defaultButton, MsgAnswer::Yes);
        QCOMPARE(seen.icon, MsgIcon::Critical);
    }

    void untitledBoxesCarryTheApplicationTitle()
    {
        QString title;
        SetMessageBoxResponder([&title](const MessageBoxRequest &request) {
            title = request.title;
            return MsgAnswer::Ok;
        });
        MsgBox(QStringLiteral("Not a proper date. Please try again."));
        QCOMPARE(title, QStringLiteral("Lumidex ScreenSaver"));
    }

    // Without a responder a real Qt message box comes up.
    void realBoxShowsWhatWasAsked()
    {
        SeenBox seen;
        AnswerNextBox(seen, QMessageBox::Yes);
        const MsgAnswer answer =
            MsgBox({QStringLiteral("This will erase all\nProceed?"), MsgButtons::YesNo,
                    MsgIcon::Critical, QString(), MsgAnswer::Yes});
        QCOMPARE(answer, MsgAnswer::Yes);
        QCOMPARE(seen.title, QStringLiteral("Lumidex ScreenSaver"));
        QCOMPARE(seen.text, QStringLiteral("This will erase all\nProceed?"));
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(seen.defaultButton, QMessageBox::Yes);
    }

    void escapeAnswersNoOrOk()
    {
        SeenBox seen;
        AnswerNextBox(seen, QMessageBox::NoButton);
        QCOMPARE(MsgBox(QStringLiteral("Proceed?"), MsgButtons::YesNo), MsgAnswer::No);
        QCOMPARE(seen.icon, QMessageBox::NoIcon);

        AnswerNextBox(seen, QMessageBox::NoButton);
        QCOMPARE(MsgBox(QStringLiteral("Noted.")), MsgAnswer::Ok);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
};

LUMIDEX_REGISTER_TEST(TstMessageBox)
#include "tst_messagebox.moc"
