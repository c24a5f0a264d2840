#include "ProcessMemory.h"
#include "TestSupport.h"
#include "countdown/BuildCountdownText.h"
#include "setup/SetupTestSupport.h"

#include "app/Main.h"
#include "state/modGeneral.h"
#include "assets/BuiltInPictures.h"
#include "dialogs/browse/frmBrowse.h"
#include "dialogs/setup/frmSetup.h"
#include "core/Colours.h"
#include "platform/Store.h"
#include "saver/frmMain.h"
#include "settings/SettingKeys.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace setuptest;
using settings::Form;
using settings::SettingKey;

namespace {

// What a conversion of a stored text gives: a value, or the number of the failure that
// put the key's default in its place.
struct Outcome
{
    int failure = 0;
    double value = 0;
};

constexpr Outcome Fails(int number)
{
    return {number, 0};
}
constexpr Outcome Gives(double value)
{
    return {0, value};
}

constexpr int Overflow = 6;
constexpr int TypeMismatch = 13;

// A text a person, a broken editor or another program may leave in the file: its bytes
// after "Key=", what the key then holds, and what each of the typed reads makes of it.
struct BadText
{
    const char *tag;
    QByteArray raw;
    QString read;
    Outcome whole16;
    Outcome whole32;
    Outcome single;
    Outcome flag;
};

const QList<BadText> &BadTexts()
{
    static const QList<BadText> texts = {
        {"empty", "", "", Fails(TypeMismatch), Fails(TypeMismatch), Fails(TypeMismatch),
         Fails(TypeMismatch)},
        {"letters", "letters", "letters", Fails(TypeMismatch), Fails(TypeMismatch),
         Fails(TypeMismatch), Fails(TypeMismatch)},
        {"1e9", "1e9", "1e9", Fails(Overflow), Gives(1e9), Gives(1e9), Gives(1)},
        {"-99999", "-99999", "-99999", Fails(Overflow), Gives(-99999), Gives(-99999), Gives(1)},
        // Whole numbers round half to even.
        {"3.5", "3.5", "3.5", Gives(4), Gives(4), Gives(3.5), Gives(1)},
        {"100000 digits", QByteArray(100000, '9'), QString(100000, QLatin1Char('9')),
         Fails(Overflow), Fails(Overflow), Fails(Overflow), Fails(Overflow)},
        {"not UTF-8",
         "\xff\xfe\x80"
         "abc",
         QString::fromUtf8("\xff\xfe\x80"
                           "abc"),
         Fails(TypeMismatch), Fails(TypeMismatch), Fails(TypeMismatch), Fails(TypeMismatch)},
        {"escaped line break", "\"a\\nb\"", "a\nb", Fails(TypeMismatch), Fails(TypeMismatch),
         Fails(TypeMismatch), Fails(TypeMismatch)},
        // The second line has no '=': it is no key of its own, and the value ends at the break.
        {"raw line break", "5\n0", "5", Gives(5), Gives(5), Gives(5), Gives(1)},
    };
    return texts;
}

enum class Conversion { Text, Whole16, Whole32, Single, Flag };

Conversion ConversionOf(const SettingKey &key)
{
    switch (key.form) {
    case Form::Whole:
    case Form::CheckBox:
        return Conversion::Whole16;
    case Form::Colour:
        return Conversion::Whole32;
    case Form::FontSize:
        return Conversion::Single;
    case Form::Flag:
        return Conversion::Flag;
    case Form::Text:
    case Form::Date:
        break;
    }
    return Conversion::Text;
}

// The value a reader works with: the stored one, or the key's default when the text
// cannot be converted or (unless any value goes) lies outside what the dialogs offer.
struct Working
{
    double value;
    int failure; // 0: none to report
};

double DefaultValue(const SettingKey &key, Conversion conversion)
{
    if (conversion == Conversion::Flag)
        return key.defaultText.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
    return key.defaultText.toDouble();
}

Working WorkingValue(const SettingKey &key, const BadText &text, Conversion conversion,
                     bool anyValue = false)
{
    Outcome outcome;
    switch (conversion) {
    case Conversion::Whole16:
        outcome = text.whole16;
        break;
    case Conversion::Whole32:
        outcome = text.whole32;
        break;
    case Conversion::Single:
        outcome = text.single;
        break;
    case Conversion::Flag:
        outcome = text.flag;
        break;
    case Conversion::Text:
        qFatal("%s is a text", qPrintable(key.name));
    }
    const double fallback = DefaultValue(key, conversion);
    if (outcome.failure)
        return {fallback, outcome.failure};
    const bool offered = conversion == Conversion::Flag ||
                         (outcome.value >= key.lowest && outcome.value <= key.highest);
    return {anyValue || offered ? outcome.value : fallback, 0};
}

QString FailureMessage(int number)
{
    return QStringLiteral("Error Number: %1\r\n%2")
        .arg(number)
        .arg(number == Overflow ? QStringLiteral("Overflow") : QStringLiteral("Type mismatch"));
}

QColor StoredColour(double value)
{
    return QColor(core::RgbFromStored(qint32(value)));
}

// Keys whose unreadable text the saver's set-up reports, and those it takes at any value.
bool SaverReports(const QString &key)
{
    static const QStringList reported = {"ImageUsed", "ImageSize", "Background",
                                         "Direction", "Position",  "Speed"};
    return reported.contains(key) || (key.startsWith(QLatin1String("TextFont")) &&
                                      !key.startsWith(QLatin1String("TextFontName")));
}

bool SaverTakesAnyValue(const QString &key)
{
    return key == QLatin1String("Direction") || key == QLatin1String("Position") ||
           key == QLatin1String("ImageUsed");
}

// The timer's interval at each speed: 100 ms / (speed + 1), rounded half to even.
constexpr int Intervals[] = {100, 50, 33, 25, 20, 17, 14, 12, 11, 10, 9};

constexpr int Ticks = 6;

// Whatever one key holds, the saver or the dialogs take no more than this on top. A text
// of 100000 characters takes about 10 MB (70 MB with AddressSanitizer); drawn into one
// pixmap per line, it took 190 MB.
constexpr qint64 LargestGrowthKilobytes = 128 * 1024;

QStringList Texts(const QList<platform::MessageBoxRequest> &asked)
{
    QStringList texts;
    for (const platform::MessageBoxRequest &request : asked)
        texts << request.text;
    return texts;
}

QString StoreFolder()
{
    return QFileInfo(platform::StoreFilePath()).absolutePath();
}

void WriteStore(const QByteArray &bytes)
{
    QDir().mkpath(StoreFolder());
    QFile file(platform::StoreFilePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("Cannot write the store");
}

QStringList StoreFolderEntries()
{
    return QDir(StoreFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The text line of a font key's digit: 0 the title, 1 the countdown.
const saver::TextLine &LineOf(const saver::frmMain &form, const QString &key)
{
    return key.endsWith(u'0') ? form.lblText : form.lblTime;
}

const char *SampleOf(const QString &key)
{
    return key.endsWith(u'0') ? "lblSampleText" : "lblSampleDate";
}

// What the image browser showed before the test cancelled it.
struct BrowserSeen
{
    bool opened = false;
    int tab = -1;
    int selectedIndex = -1;
    QString folder;
    QString currentImage;
    QStringList messages;
};

} // namespace

// Every key of the store holding each kind of garbage, alone in the file: the saver sets
// up and runs, the settings dialog and the image browser open and are cancelled, the
// documented fallbacks are in place, and the file is exactly as it was.
class TstBadStore : public QObject
{
    Q_OBJECT

    MessageRecorder m_messages;

    void CheckSaver(const SettingKey &key, const BadText &text);
    void CheckSetup(const SettingKey &key, const BadText &text);
    BrowserSeen OpenBrowser(setup::frmSetup &dialog);

private Q_SLOTS:
    void init() { BeginDialogTest(m_messages); }
    void cleanup()
    {
        startup::ResetState();
        EndDialogTest();
    }

    void everyKeyHoldsGarbage_data()
    {
        QTest::addColumn<int>("keyIndex");
        QTest::addColumn<int>("textIndex");
        const auto keys = settings::AllKeys();
        for (int k = 0; k < int(keys.size()); ++k) {
            for (int t = 0; t < BadTexts().size(); ++t) {
                QTest::addRow("%s %s", qPrintable(keys[size_t(k)].name), BadTexts()[t].tag)
                    << k << t;
            }
        }
    }

    void everyKeyHoldsGarbage()
    {
        QFETCH(int, keyIndex);
        QFETCH(int, textIndex);
        const SettingKey &key = settings::AllKeys()[size_t(keyIndex)];
        const BadText &text = BadTexts()[textIndex];
        WriteStore("[Settings]\n" + key.name.toLatin1() + '=' + text.raw + '\n');
        const QByteArray before = StoreFileBytes();
        QCOMPARE(Stored(key.name), text.read);
        // Before the default target date the saver shows the title and the countdown;
        // from it on, only the completion phrase.
        const bool completed = key.name == settings::key::Target;
        core::SetToday(completed ? QDate(2026, 12, 6) : QDate(2004, 10, 20));

        qint64 growth = testing::PeakGrowth([&] { CheckSaver(key, text); });
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(growth < LargestGrowthKilobytes, qPrintable(QString::number(growth)));
        growth = testing::PeakGrowth([&] { CheckSetup(key, text); });
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(growth < LargestGrowthKilobytes, qPrintable(QString::number(growth)));

        QCOMPARE(StoreFileBytes(), before);
        QCOMPARE(StoreFolderEntries(), QStringList{QStringLiteral("Lumidex.conf")});
    }

    // The snapshot is only read when it is restored: garbage there is never looked at
    // while the saver and the dialog load.
    void snapshotHoldsGarbage()
    {
        QByteArray file = "[Previous]\n";
        const auto keys = settings::AllKeys();
        for (size_t k = 0; k < keys.size(); ++k)
            file +=
                keys[k].name.toLatin1() + '=' + BadTexts()[int(k) % BadTexts().size()].raw + '\n';
        WriteStore(file);
        const QByteArray before = StoreFileBytes();

        QVERIFY(!startup::Main({QStringLiteral("/s")}));
        QVERIFY(startup::MainForm());
        startup::MainForm()->tmrScroll_Timer();
        QVERIFY(startup::MainForm()->close());
        startup::ResetState();
        QVERIFY(!startup::Main({QStringLiteral("/c")}));
        setup::frmSetup *dialog = startup::SetupForm();
        QVERIFY(dialog);
        QVERIFY(!Child(*dialog, "cmdRestoreSettings")->isEnabled());
        QCOMPARE(Text(*dialog, "txtTitle"), settings::KeyNamed(settings::key::Title).defaultText);
        QTest::mouseClick(Child<QPushButton>(*dialog, "cmdCancel"), Qt::LeftButton);

        QCOMPARE(Texts(m_messages.asked), QStringList());
        QCOMPARE(StoreFileBytes(), before);
        QCOMPARE(StoreFolderEntries(), QStringList{QStringLiteral("Lumidex.conf")});
    }
};

// The saver as "/s" starts it, then several ticks of its timer, each painted.
void TstBadStore::CheckSaver(const SettingKey &key, const BadText &text)
{
    startup::ResetState();
    m_messages.asked.clear();
    QVERIFY(!startup::Main({QStringLiteral("/s")}));
    saver::frmMain *form = startup::MainForm();
    QVERIFY(form);
    for (int tick = 0; tick < Ticks; ++tick) {
        form->tmrScroll_Timer();
        QCoreApplication::processEvents();
    }
    QVERIFY(!form->grab().toImage().isNull());
    QVERIFY(form->tmrScroll.isActive());
    QVERIFY(!form->unloaded());

    const QString &name = key.name;
    const Conversion conversion = ConversionOf(key);
    Working working{0, 0};
    if (conversion != Conversion::Text)
        working = WorkingValue(key, text, conversion, SaverTakesAnyValue(name));
    const double value = working.value;

    QStringList expectedMessages;
    if (name == settings::key::Date) {
        // None of these texts is a date: the countdown says it cannot count.
        expectedMessages << countdown::DateCalculationErrorText;
        QCOMPARE(m_messages.asked.value(0).icon, platform::MsgIcon::Critical);
    } else if (SaverReports(name) && working.failure) {
        expectedMessages << FailureMessage(working.failure);
    }
    QCOMPARE(Texts(m_messages.asked), expectedMessages);

    if (name == "Background") {
        QCOMPARE(form->backgroundColour(), StoredColour(value));
    } else if (name.startsWith("TextFontColor")) {
        QCOMPARE(LineOf(*form, name).color(), StoredColour(value));
    } else if (name.startsWith("TextFontSize")) {
        QCOMPARE(LineOf(*form, name).font().pointSizeF(), value);
    } else if (name.startsWith("TextFontBold")) {
        QCOMPARE(LineOf(*form, name).font().bold(), value != 0);
    } else if (name.startsWith("TextFontItalic")) {
        QCOMPARE(LineOf(*form, name).font().italic(), value != 0);
    } else if (name.startsWith("TextFontStrikethru")) {
        QCOMPARE(LineOf(*form, name).font().strikeOut(), value != 0);
    } else if (name.startsWith("TextFontUnderline")) {
        QCOMPARE(LineOf(*form, name).font().underline(), value != 0);
    } else if (name.startsWith("TextFontName")) {
        QCOMPARE(LineOf(*form, name).font().family(), text.read);
    } else if (name == "Title") {
        QCOMPARE(form->lblText.text(), text.read);
        QCOMPARE(form->lblTime.text(), QStringLiteral(" 2 months  12 days!"));
    } else if (name == "Target") {
        QCOMPARE(form->lblText.text(), QString());
        QCOMPARE(form->lblTime.text(), text.read);
    } else if (name == "Direction") {
        QCOMPARE(modGeneral::State.SaverLayout.Direction, qint32(value));
    } else if (name == "Position") {
        QCOMPARE(modGeneral::State.SaverLayout.Position, qint32(value));
    } else if (name == "Speed") {
        QCOMPARE(form->tmrScroll.interval(), Intervals[int(value)]);
    } else if (name == "ImageIndex") {
        QCOMPARE(modGeneral::State.ImageIndex, qint16(value));
    } else if (name == "DefaultTab") {
        QCOMPARE(modGeneral::State.DefaultTab, qint16(value));
    } else if (name == "IncludeDays") {
        QCOMPARE(modGeneral::State.IncludeDays, qint16(value));
    }
    if (name == "ImageUsed" && value != 0) {
        QCOMPARE(form->imgPhoto.picture().size(), assets::BuiltInPicture(1).size());
    } else {
        QVERIFY(!form->imgPhoto.hasPicture());
    }
    // Moving the block never moves it out of reach of the screen's coordinates.
    QVERIFY(qAbs(qint64(modGeneral::State.SaverLayout.BlockLeft)) < (qint64(1) << 31));
    // Closed rather than ended: ending asks the application to quit, and every modal
    // dialog opened after that in this process would return at once.
    QVERIFY(form->close());
    QVERIFY(form->unloaded());
    QVERIFY(!form->tmrScroll.isActive());
}

// The settings dialog as "/c" opens it, the image browser opened from it twice (on the
// stored tab, then on "File Images"), each cancelled, then Cancel.
void TstBadStore::CheckSetup(const SettingKey &key, const BadText &text)
{
    startup::ResetState();
    m_messages.asked.clear();
    QVERIFY(!startup::Main({QStringLiteral("/c")}));
    setup::frmSetup *dialog = startup::SetupForm();
    QVERIFY(dialog && dialog->isVisible());

    const QString &name = key.name;
    const Conversion conversion = ConversionOf(key);
    // The dialog reads every number within what its controls offer; Speed as 32 bits.
    const Conversion read = name == "Speed" ? Conversion::Whole32 : conversion;
    const double value = read == Conversion::Text ? 0 : WorkingValue(key, text, read).value;

    if (name == settings::key::Date) {
        QCOMPARE(Texts(m_messages.asked), QStringList{countdown::DateCalculationErrorText});
        QCOMPARE(Text(*dialog, "txtDateLong"), QString());
    } else {
        QCOMPARE(Texts(m_messages.asked), QStringList());
    }

    if (name == "Title") {
        QCOMPARE(Text(*dialog, "txtTitle"), text.read);
    } else if (name == "Date") {
        QCOMPARE(Text(*dialog, "txtDate"), text.read);
    } else if (name == "Target") {
        QCOMPARE(Text(*dialog, "txtTarget"), text.read);
    } else if (name == "Position") {
        QVERIFY(dialog->optPosition[size_t(value)]->isChecked());
    } else if (name == "Direction") {
        QVERIFY(dialog->optDirection[size_t(value)]->isChecked());
    } else if (name == "Speed") {
        QCOMPARE(Child<QSlider>(*dialog, "sldSpeed")->value(), int(value));
    } else if (name == "IncludeDays") {
        QCOMPARE(Child<QCheckBox>(*dialog, "chkDays")->isChecked(), value == 1);
    } else if (name == "ImageUsed") {
        QCOMPARE(Child<QCheckBox>(*dialog, "chkImage")->isChecked(), value == 1);
    } else if (name == "Restore") {
        QCOMPARE(Child(*dialog, "cmdRestoreSettings")->isEnabled(), value != 0);
    } else if (name == "ImageTag") {
        QCOMPARE(modGeneral::State.ImageTag, text.read);
    } else if (name == "ImageName") {
        QCOMPARE(modGeneral::State.ImageName, text.read);
    } else if (name == "Background") {
        QCOMPARE(Child(*dialog, "lblSampleText")->palette().color(QPalette::Window),
                 StoredColour(value));
    } else if (name.startsWith("TextFontColor")) {
        QCOMPARE(Child(*dialog, SampleOf(name))->palette().color(QPalette::WindowText),
                 StoredColour(value));
    } else if (name.startsWith("TextFontBold")) {
        QCOMPARE(Child(*dialog, SampleOf(name))->font().bold(), value != 0);
    } else if (name.startsWith("TextFontItalic")) {
        QCOMPARE(Child(*dialog, SampleOf(name))->font().italic(), value != 0);
    } else if (name.startsWith("TextFontStrikethru")) {
        QCOMPARE(Child(*dialog, SampleOf(name))->font().strikeOut(), value != 0);
    } else if (name.startsWith("TextFontUnderline")) {
        QCOMPARE(Child(*dialog, SampleOf(name))->font().underline(), value != 0);
    } else if (name.startsWith("TextFontName")) {
        QCOMPARE(Child(*dialog, SampleOf(name))->font().family(), text.read);
    } else if (name.startsWith("TextFontSize")) {
        // The samples keep the dialog's own size whatever the saver's is.
        QCOMPARE(Child(*dialog, SampleOf(name))->font().pointSizeF(), dialog->font().pointSizeF());
    }

    // The tab start-up read from the store, and the built-in picture it chose.
    m_messages.asked.clear();
    const BrowserSeen stored = OpenBrowser(*dialog);
    QVERIFY(stored.opened);
    QCOMPARE(stored.messages, QStringList());
    QCOMPARE(stored.tab, 0);
    const qint16 index = name == "ImageIndex" ? qint16(value) : qint16(1);
    QCOMPARE(stored.selectedIndex, int(index));

    // "File Images" reads the stored drive, folder, file and size factor. None of these
    // texts names an existing folder, so the browser falls back to the root.
    m_messages.asked.clear();
    modGeneral::State.DefaultTab = 1;
    const BrowserSeen files = OpenBrowser(*dialog);
    QVERIFY(files.opened);
    QCOMPARE(files.tab, 1);
    QCOMPARE(files.folder, QStringLiteral("/"));
    QCOMPARE(files.currentImage, QStringLiteral("No Image"));
    const bool namesAFile = name == "ImageName" && !text.read.isEmpty();
    QCOMPARE(files.messages, namesAFile
                                 ? QStringList{QStringLiteral("Error Number: 53\r\nFile not found")}
                                 : QStringList());

    QTest::mouseClick(Child<QPushButton>(*dialog, "cmdCancel"), Qt::LeftButton);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(!dialog->isVisible());
}

// Opens the browser the way "Select Image..." does, notes what it shows and cancels it.
BrowserSeen TstBadStore::OpenBrowser(setup::frmSetup &dialog)
{
    BrowserSeen seen;
    QTimer::singleShot(0, &dialog, [this, &seen] {
        // Every browser found is closed, whatever it shows: a modal one left open would
        // never let the test go on.
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *browser = qobject_cast<browse::frmBrowse *>(window);
            if (!browser || !browser->isVisible())
                continue;
            seen.opened = true;
            seen.tab = browser->findChild<QTabWidget *>(QStringLiteral("SSTab1"))->currentIndex();
            seen.selectedIndex = browser->SelectedIndex;
            seen.folder = browser->CurrentFolder();
            seen.currentImage = Text(*browser, "txtCurImage");
            seen.messages = Texts(m_messages.asked);
            QTest::mouseClick(Child<QPushButton>(*browser, "cmdCancel"), Qt::LeftButton);
            if (browser->isVisible())
                browser->reject();
        }
    });
    dialog.cmdImage_Click();
    return seen;
}

LUMIDEX_REGISTER_TEST(TstBadStore)
#include "tst_badstore.moc"
