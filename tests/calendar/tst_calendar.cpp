#include "TestSupport.h"

#include "dialogs/calendar/frmCalendar.h"
#include "core/Dates.h"
#include "platform/MessageBox.h"
#include "platform/Store.h"
#include "settings/SettingKeys.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using calendar::frmCalendar;

// The calendar dialog opened over a stand-in for the settings dialog's date box.
class TstCalendar : public QObject
{
    Q_OBJECT

    QLocale m_startLocale;
    std::unique_ptr<QLineEdit> m_dateBox;
    std::unique_ptr<frmCalendar> m_form;
    QList<platform::MessageBoxRequest> m_boxes;

    frmCalendar &Open(const QString &dateText, QWidget *parent = nullptr)
    {
        m_dateBox = std::make_unique<QLineEdit>(dateText);
        m_form = std::make_unique<frmCalendar>(*m_dateBox, parent);
        m_form->show();
        return *m_form;
    }

    QCalendarWidget *Calendar() const { return m_form->findChild<QCalendarWidget *>("Calendar"); }

    void Click(const QString &button)
    {
        auto *target = m_form->findChild<QPushButton *>(button);
        QVERIFY2(target, qPrintable(button));
        QTest::mouseClick(target, Qt::LeftButton);
    }

    static QString StoredDate()
    {
        return platform::GetSetting(platform::SettingsSection, settings::key::Date, "<none>");
    }

private Q_SLOTS:
    void initTestCase() { m_startLocale = QLocale(); }

    void init()
    {
        testing::ClearStore();
        m_boxes.clear();
        platform::SetMessageBoxResponder([this](const platform::MessageBoxRequest &request) {
            m_boxes << request;
            return platform::MsgAnswer::Ok;
        });
    }

    void cleanup()
    {
        m_form.reset();
        m_dateBox.reset();
        platform::SetMessageBoxResponder({});
        core::SetToday(QDate());
        QLocale::setDefault(m_startLocale);
    }

    void opensAtTheDateInTheBox_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");
        const QDate today(2031, 7, 15);
        QTest::newRow("default date") << "1/1/2005" << QDate(2005, 1, 1);
        QTest::newRow("ISO date") << "2028-02-08" << QDate(2028, 2, 8);
        QTest::newRow("empty box") << "" << today;
        QTest::newRow("letters") << "next summer" << today;
        QTest::newRow("impossible day") << "2005-02-30" << today;
    }
    void opensAtTheDateInTheBox()
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        core::SetToday(QDate(2031, 7, 15));
        Open(text);
        QCOMPARE(Calendar()->selectedDate(), expected);
        QCOMPARE(Calendar()->yearShown(), expected.year());
        QCOMPARE(Calendar()->monthShown(), expected.month());
        // Opening only reads.
        QCOMPARE(m_dateBox->text(), text);
        QCOMPARE(StoredDate(), QStringLiteral("<none>"));
    }

    void stepButtons_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("next day over the year end")
            << QDate(2004, 12, 31) << "cmdNextDay" << QDate(2005, 1, 1);
        QTest::newRow("previous day onto a leap day")
            << QDate(2024, 3, 1) << "cmdPrevDay" << QDate(2024, 2, 29);
        QTest::newRow("next month from 31 January")
            << QDate(2005, 1, 31) << "cmdNextMonth" << QDate(2005, 2, 28);
        QTest::newRow("next month from 31 January, leap year")
            << QDate(2024, 1, 31) << "cmdNextMonth" << QDate(2024, 2, 29);
        QTest::newRow("next month over the year end")
            << QDate(2005, 12, 15) << "cmdNextMonth" << QDate(2006, 1, 15);
        QTest::newRow("previous month into a shorter month")
            << QDate(2005, 3, 31) << "cmdPrevMonth" << QDate(2005, 2, 28);
        QTest::newRow("next year from a leap day")
            << QDate(2024, 2, 29) << "cmdNextYear" << QDate(2025, 2, 28);
        QTest::newRow("previous year from a leap day")
            << QDate(2024, 2, 29) << "cmdPrevYear" << QDate(2023, 2, 28);
        // The ends of the calendar's range hold the selection there.
        QTest::newRow("next year in the last year")
            << QDate(9999, 6, 15) << "cmdNextYear" << QDate(9999, 12, 31);
        QTest::newRow("previous year in the first year")
            << QDate(100, 6, 15) << "cmdPrevYear" << QDate(100, 1, 1);
    }
    void stepButtons()
    {
        QFETCH(QDate, start);
        QFETCH(QString, button);
        QFETCH(QDate, expected);
        Open(start.toString(Qt::ISODate));
        QCOMPARE(Calendar()->selectedDate(), start);
        Click(button);
        QCOMPARE(Calendar()->selectedDate(), expected);
        QCOMPARE(Calendar()->yearShown(), expected.year());
        QCOMPARE(Calendar()->monthShown(), expected.month());
        QVERIFY(m_form->isVisible());
    }

    // The whole road of the first edge case, in locales that write the date differently.
    void okWritesTheBoxAndTheStore_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
    }
    void okWritesTheBoxAndTheStore()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        testing::Store(settings::key::Date, "1/1/2005");
        Open("1/1/2005");
        QCOMPARE(Calendar()->selectedDate(), QDate(2005, 1, 1));
        QSignalSpy changes(m_dateBox.get(), &QLineEdit::textChanged);

        Click("cmdNextMonth");
        QCOMPARE(changes.count(), 0);
        Click("cmdOK");

        const QString written = core::ShortDate(QDate(2005, 2, 1));
        QCOMPARE(m_dateBox->text(), written);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(StoredDate(), written);
        QCOMPARE(core::ParseDate(written), QDate(2005, 2, 1));
        QCOMPARE(m_form->result(), int(QDialog::Accepted));
        QVERIFY(!m_form->isVisible());
    }

    void cancelAndCloseBoxWriteNothing_data()
    {
        QTest::addColumn<bool>("viaCloseBox");
        QTest::newRow("Cancel") << false;
        QTest::newRow("close box") << true;
    }
    void cancelAndCloseBoxWriteNothing()
    {
        QFETCH(bool, viaCloseBox);
        testing::Store(settings::key::Date, "1/1/2005");
        Open("1/1/2005");
        QSignalSpy changes(m_dateBox.get(), &QLineEdit::textChanged);
        Click("cmdNextMonth");
        if (viaCloseBox)
            m_form->close();
        else
            Click("cmdCancel");

        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_form->result(), int(QDialog::Rejected));
        QCOMPARE(m_dateBox->text(), QStringLiteral("1/1/2005"));
        QCOMPARE(changes.count(), 0);
        QCOMPARE(StoredDate(), QStringLiteral("1/1/2005"));
    }

    void enterAndEscapeDoNothing_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("key");
        for (const QString target : {"Calendar", "cmdOK", "cmdCancel", "cmdNextDay"}) {
            const QByteArray name = target.toLatin1();
            QTest::newRow((name + " Return").constData()) << target << int(Qt::Key_Return);
            QTest::newRow((name + " Enter").constData()) << target << int(Qt::Key_Enter);
            QTest::newRow((name + " Escape").constData()) << target << int(Qt::Key_Escape);
        }
    }
    void enterAndEscapeDoNothing()
    {
        QFETCH(QString, target);
        QFETCH(int, key);
        Open("1/1/2005");
        QWidget *receiver = m_form->findChild<QWidget *>(target);
        QVERIFY(receiver);
        // The calendar's keys go to the day grid inside it.
        if (receiver->focusProxy())
            receiver = receiver->focusProxy();
        QTest::keyClick(receiver, Qt::Key(key));

        QVERIFY(m_form->isVisible());
        QCOMPARE(Calendar()->selectedDate(), QDate(2005, 1, 1));
        QCOMPARE(m_dateBox->text(), QStringLiteral("1/1/2005"));
        QCOMPARE(StoredDate(), QStringLiteral("<none>"));
    }

    void aboutShowsOneBoxAndStaysOpen()
    {
        Open("1/1/2005");
        Click("cmdAbout");
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].title, QStringLiteral("About Calendar"));
        QCOMPARE(m_boxes[0].buttons, platform::MsgButtons::Ok);
        QCOMPARE(m_boxes[0].icon, platform::MsgIcon::Information);
        QVERIFY(m_boxes[0].text.contains("Lumidex ScreenSaver"));
        QVERIFY(m_form->isVisible());
        QCOMPARE(Calendar()->selectedDate(), QDate(2005, 1, 1));
        QCOMPARE(StoredDate(), QStringLiteral("<none>"));
    }

    void windowAndControls()
    {
        frmCalendar &form = Open("1/1/2005");
        QCOMPARE(form.windowTitle(), QStringLiteral("Calendar"));
        QCOMPARE(form.size(), QSize(438, 359));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(form.font().family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(form.font().pointSize(), 8);

        QCalendarWidget *calendar = Calendar();
        QCOMPARE(calendar->geometry(), QRect(8, 8, 421, 237));
        const QSize needed = calendar->minimumSizeHint();
        QVERIFY2(
            needed.width() <= 421 && needed.height() <= 237,
            qPrintable(
                QStringLiteral("calendar needs %1 x %2").arg(needed.width()).arg(needed.height())));

        // Frame1's buttons stand relative to it.
        auto *prevMonth = form.findChild<QPushButton *>("cmdPrevMonth");
        QVERIFY(prevMonth);
        QCOMPARE(prevMonth->parentWidget()->objectName(), QStringLiteral("Frame1"));
        QCOMPARE(prevMonth->text(), QStringLiteral("Previous Month"));
        QCOMPARE(prevMonth->geometry(), QRect(158, 44, 89, 21));
        auto *about = form.findChild<QPushButton *>("cmdAbout");
        QVERIFY(about);
        QCOMPARE(about->text(), QStringLiteral("About Calendar..."));
        QCOMPARE(about->geometry(), QRect(16, 332, 113, 21));
        QWidget *frame = form.findChild<QWidget *>("Frame1");
        QVERIFY(frame);
        QCOMPARE(frame->geometry(), QRect(16, 240, 405, 77));
    }

    void centredOnTheWindowThatOpensIt()
    {
        QWidget opener;
        opener.setGeometry(60, 40, 640, 520);
        opener.show();
        QVERIFY(QTest::qWaitForWindowExposed(&opener));
        frmCalendar &form = Open("1/1/2005", &opener);
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QPoint offset = form.frameGeometry().center() - opener.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2,
                 qPrintable(QStringLiteral("off by %1, %2").arg(offset.x()).arg(offset.y())));
        // The opener deletes its child dialog when it goes.
        m_form.reset();
    }
};

LUMIDEX_REGISTER_TEST(TstCalendar)
#include "tst_calendar.moc"
