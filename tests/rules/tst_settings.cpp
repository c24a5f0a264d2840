#include "TestSupport.h"

#include "settings/Settings.h"

#include <QTest>

using namespace settings;
using testing::Store;

namespace {

template <typename T> std::pair<double, int> Got(const Reading<T> &reading)
{
    return {double(reading.value), reading.failure ? reading.failure->number : 0};
}

// The value and the failure number of the read that fits the key's form.
std::pair<double, int> Read(const QString &key, Bounds bounds)
{
    const Form form = KeyNamed(key).form;
    return form == Form::Colour     ? Got(TryWhole32(key, bounds))
           : form == Form::FontSize ? Got(TrySingle(key, bounds))
           : form == Form::Flag     ? Got(TryFlag(key))
                                    : Got(TryWhole16(key, bounds));
}

} // namespace

class TstSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { testing::ClearStore(); }

    // Rows: the key (with '*': read with any bounds), the stored text ("-": none), the value
    // read and the failure number. A value that cannot be read, or lies outside what the
    // dialogs offer, reads as the key's default.
    void readsTypedValues_data()
    {
        testing::AddRows(R"(
Speed | - | 5 | 0
Speed |  7  | 7 | 0
Speed | 11 | 5 | 0
Speed* | 11 | 11 | 0
Speed | x | 5 | 13
Speed | 40000 | 5 | 6
Speed | 9.5 | 10 | 0
Direction* | -7 | -7 | 0
ImageSize | -11 | 0 | 0
Background | 16777216 | 0 | 0
TextFontColor0 | 1e9 | 255 | 0
TextFontSize0 | 10.5 | 10.5 | 0
TextFontSize1 | 0.5 | 14 | 0
TextFontBold0 | false | 0 | 0
TextFontItalic1 | 2 | 1 | 0
TextFontBold1 | yes | 1 | 13
)");
    }

    void readsTypedValues()
    {
        QFETCH(QStringList, row);
        const QString key = QString(row[0]).remove(u'*');
        if (row[1] != u"-")
            Store(key, row[1]);
        const QByteArray before = testing::StoreBytes();
        const auto [value, failed] =
            Read(key, row[0].endsWith(u'*') ? Bounds::Any : Bounds::Offered);
        QCOMPARE(value, row[2].toDouble());
        QCOMPARE(failed, row[3].toInt());
        QCOMPARE(testing::StoreBytes(), before); // a read never writes
    }
};

LUMIDEX_REGISTER_TEST(TstSettings)
#include "tst_settings.moc"
