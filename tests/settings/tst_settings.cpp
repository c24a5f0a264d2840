#include "TestSupport.h"

#include "core/Conversions.h"
#include "platform/Store.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace settings;

namespace {

QByteArray StoreFileBytes()
{
    QFile file(platform::StoreFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TstSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { testing::ClearStore(); }

    void emptyStoreGivesEveryDefault()
    {
        QCOMPARE(ReadText(key::Title), QStringLiteral("Enter Title Text"));
        QCOMPARE(ReadText(key::Date), QStringLiteral("1/1/2005"));
        QCOMPARE(ReadText(key::Target),
                 QStringLiteral("Completion phrase upon reaching target date."));
        QCOMPARE(ReadWhole16(key::Position), qint16(0));
        QCOMPARE(ReadWhole16(key::Direction), qint16(0));
        QCOMPARE(ReadWhole16(key::Speed), qint16(5));
        QCOMPARE(ReadWhole32(key::Speed), 5);
        QCOMPARE(ReadWhole16(key::IncludeDays), qint16(0));
        QCOMPARE(ReadWhole16(key::ImageUsed), qint16(0));
        QCOMPARE(ReadWhole16(key::ImageIndex), qint16(1));
        QCOMPARE(ReadWhole16(key::DefaultTab), qint16(0));
        QCOMPARE(ReadWhole32(key::Background), 0);
        QCOMPARE(ReadText(key::ImagePath), QStringLiteral("c:\\"));
        QCOMPARE(ReadText(key::ImageDrive), QStringLiteral("c"));
        QCOMPARE(ReadText(key::ImageName), QString());
        QCOMPARE(ReadText(key::ImageTag), QStringLiteral("Logo"));
        QCOMPARE(ReadFlag(key::Restore), false);
        for (int line : {TitleLine, CountdownLine}) {
            QCOMPARE(ReadText(FontKey(FontAttribute::Name, line)), QStringLiteral("Arial"));
            QCOMPARE(ReadSingle(FontKey(FontAttribute::Size, line)), 14.0f);
            QCOMPARE(ReadFlag(FontKey(FontAttribute::Bold, line)), true);
            QCOMPARE(ReadFlag(FontKey(FontAttribute::Italic, line)), false);
            QCOMPARE(ReadFlag(FontKey(FontAttribute::Strikethru, line)), false);
            QCOMPARE(ReadFlag(FontKey(FontAttribute::Underline, line)), false);
        }
        QCOMPARE(ReadWhole32(FontKey(FontAttribute::Color, TitleLine)), 255);
        QCOMPARE(ReadWhole32(FontKey(FontAttribute::Color, CountdownLine)), 65535);
        QVERIFY2(!QFileInfo::exists(platform::StoreFilePath()), "reading created the store");
    }

    void fontKeysCarryTheLineDigit()
    {
        QCOMPARE(FontKey(FontAttribute::Color, CountdownLine), QStringLiteral("TextFontColor1"));
        QCOMPARE(FontKey(FontAttribute::Strikethru, TitleLine),
                 QStringLiteral("TextFontStrikethru0"));
        // Every font key the builder makes is a key of the table.
        for (int line : {TitleLine, CountdownLine}) {
            for (int attribute = 0; attribute <= int(FontAttribute::Underline); ++attribute)
                QCOMPARE(KeyNamed(FontKey(FontAttribute(attribute), line)).name,
                         FontKey(FontAttribute(attribute), line));
        }
    }

    // Snapshots copy in this order, and Restore is never part of one.
    void snapshotKeysInCopyOrder()
    {
        const QStringList expected = {"Background",
                                      "Target",
                                      "Date",
                                      "Direction",
                                      "Position",
                                      "Speed",
                                      "Title",
                                      "TextFontBold0",
                                      "TextFontBold1",
                                      "TextFontColor0",
                                      "TextFontColor1",
                                      "TextFontItalic0",
                                      "TextFontItalic1",
                                      "TextFontName0",
                                      "TextFontName1",
                                      "TextFontSize0",
                                      "TextFontSize1",
                                      "TextFontStrikethru0",
                                      "TextFontStrikethru1",
                                      "TextFontUnderline0",
                                      "TextFontUnderline1",
                                      "IncludeDays",
                                      "ImageIndex",
                                      "ImageTag",
                                      "ImageUsed",
                                      "ImageSize",
                                      "ImageDrive",
                                      "ImagePath",
                                      "ImageName",
                                      "DefaultTab"};
        QStringList names;
        for (const SettingKey &key : SnapshotKeys())
            names << key.name;
        QCOMPARE(names, expected);
        QCOMPARE(AllKeys().size(), size_t(31));
        QCOMPARE(AllKeys().back().name, QStringLiteral("Restore"));
    }

    void storedValuesAreConverted_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("speed") << key::Speed << "10" << 10;
        QTest::newRow("blanks around") << key::Speed << " 7 " << 7;
        QTest::newRow("half rounds to even") << key::Speed << "2.5" << 2;
        QTest::newRow("half rounds up to even") << key::Speed << "3.5" << 4;
        QTest::newRow("size factor negative") << key::ImageSize << "-4" << -4;
        QTest::newRow("colour") << key::Background << "16777215" << 16777215;
        QTest::newRow("direction") << key::Direction << "3" << 3;
    }

    void storedValuesAreConverted()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(int, expected);
        testing::Store(key, stored);
        QCOMPARE(ReadWhole32(key), expected);
    }

    // Text that cannot be read, or a value no dialog offers, reads as the default.
    void badValuesReadAsTheDefault_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::newRow("letters") << key::Speed << "fast";
        QTest::newRow("empty") << key::Speed << "";
        QTest::newRow("beyond 16 bits") << key::ImageIndex << "40000";
        QTest::newRow("exponent beyond 16 bits") << key::ImageIndex << "1e9";
        QTest::newRow("speed above range") << key::Speed << "11";
        QTest::newRow("speed below range") << key::Speed << "-1";
        QTest::newRow("no such picture") << key::ImageIndex << "10";
        QTest::newRow("picture zero") << key::ImageIndex << "0";
        QTest::newRow("third tab") << key::DefaultTab << "2";
        QTest::newRow("direction 4") << key::Direction << "4";
        QTest::newRow("size factor 11") << key::ImageSize << "11";
        QTest::newRow("system colour") << key::Background << "-2147483633";
        QTest::newRow("hex") << key::Background << "&HFF";
    }

    void badValuesReadAsTheDefault()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        testing::Store(key, stored);
        const QByteArray before = StoreFileBytes();
        const qint32 fallback = core::ToWhole32(KeyNamed(key).defaultText).valueOr(-999);
        QCOMPARE(ReadWhole32(key), fallback);
        QCOMPARE(qint32(ReadWhole16(key)), fallback);
        QCOMPARE(StoreFileBytes(), before); // nothing written back
        QCOMPARE(ReadText(key), stored);    // and the stored text is still there
    }

    // The saver decides itself what an unknown direction does, so it can ask for the
    // value as stored.
    void anyBoundsKeepsTheStoredNumber()
    {
        testing::Store(key::Direction, QStringLiteral("7"));
        QCOMPARE(ReadWhole16(key::Direction), qint16(0));
        QCOMPARE(ReadWhole16(key::Direction, Bounds::Any), qint16(7));
        testing::Store(key::Direction, QStringLiteral("seven"));
        QCOMPARE(ReadWhole16(key::Direction, Bounds::Any), qint16(0));
    }

    void fontSizes()
    {
        const QString size = FontKey(FontAttribute::Size, CountdownLine);
        testing::Store(size, QStringLiteral("10.5"));
        QCOMPARE(ReadSingle(size), 10.5f);
        testing::Store(size, QStringLiteral("0"));
        QCOMPARE(ReadSingle(size), 14.0f);
        testing::Store(size, QStringLiteral("1e40"));
        QCOMPARE(ReadSingle(size), 14.0f);
    }

    void flags_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("expected");
        QTest::newRow("True") << "True" << true;
        QTest::newRow("lower case") << "false" << false;
        QTest::newRow("upper case") << "TRUE" << true;
        QTest::newRow("minus one") << "-1" << true;
        QTest::newRow("one") << "1" << true;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("garbage keeps default") << "yes" << true;
        QTest::newRow("empty keeps default") << "" << true;
    }

    void flags()
    {
        QFETCH(QString, stored);
        QFETCH(bool, expected);
        const QString bold = FontKey(FontAttribute::Bold, TitleLine);
        testing::Store(bold, stored);
        QCOMPARE(ReadFlag(bold), expected);
    }

    // A file full of junk: every number and flag reads as its default, and reading it
    // leaves the file exactly as it was.
    void garbageFileGivesDefaults()
    {
        QByteArray junk("\x00\x01\xff\xfe[Settings\n=\n[[]]\n");
        junk += "[Settings]\n";
        for (const SettingKey &key : AllKeys())
            junk += key.name.toLatin1() + "=\xc3\x28 @Rect(1 2 3 4) \x07\n";
        junk += QByteArray(5000, '\xab') + "\n";
        QDir().mkpath(QFileInfo(platform::StoreFilePath()).path());
        QFile file(platform::StoreFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(junk);
        file.close();

        for (const SettingKey &key : AllKeys()) {
            switch (key.form) {
            case Form::Whole:
            case Form::CheckBox:
            case Form::Colour:
                QCOMPARE(QString::number(ReadWhole32(key.name)), key.defaultText);
                break;
            case Form::FontSize:
                QCOMPARE(core::SingleToText(ReadSingle(key.name)), key.defaultText);
                break;
            case Form::Flag:
                QCOMPARE(core::BooleanToText(ReadFlag(key.name)), key.defaultText);
                break;
            case Form::Text:
            case Form::Date:
                ReadText(key.name); // text is whatever is there; it must not crash
                break;
            }
        }
        QCOMPARE(StoreFileBytes(), junk);
    }

    void writesReachTheStore()
    {
        WriteText(key::Title, QStringLiteral("Ferien!"));
        QCOMPARE(platform::GetSetting(platform::SettingsSection, key::Title, QString()),
                 QStringLiteral("Ferien!"));
        QCOMPARE(platform::GetSetting(platform::PreviousSection, key::Title, QStringLiteral("-")),
                 QStringLiteral("-"));
    }
};

LUMIDEX_REGISTER_TEST(TstSettings)
#include "tst_settings.moc"
