#include "TestSupport.h"

#include "platform/Conversions.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QRandomGenerator>
#include <QTest>
#include <cfloat>
#include <cmath>
#include <cstring>

using namespace platform;

namespace {

// A failure the table expects, or 0 for success.
constexpr int Ok = 0;

template <typename T> int FailureOf(const Converted<T> &converted)
{
    return converted.ok() ? Ok : converted.failure.number;
}

} // namespace

class ConversionsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundHalfEven_data();
    void roundHalfEven();
    void roundHalfEvenKeepsTheSignOfZero();

    void toNumber_data();
    void toNumber();
    void toNumberIgnoresTheLocale();
    void longTextsTakeLinearTime_data();
    void longTextsTakeLinearTime();

    void wholeNumbers_data();
    void wholeNumbers();

    void toSingle_data();
    void toSingle();

    void toBoolean_data();
    void toBoolean();

    void singleToText_data();
    void singleToText();
    void singleTextReadsBackTheSameFloat();
    void booleanTextReadsBack();
};

void ConversionsTest::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    const std::pair<double, double> cases[] = {
        {2.5, 2.0},         {3.5, 4.0},           {-2.5, -2.0},
        {-3.5, -4.0},       {0.5, 0.0},           {1.5, 2.0},
        {2.4999999, 2.0},   {2.5000001, 3.0},     {-2.6, -3.0},
        {-2.4, -2.0},       {7.0, 7.0},           {1e300, 1e300},
        {32767.5, 32768.0}, {-32768.5, -32768.0}, {4503599627370495.5, 4503599627370496.0}};
    for (const auto &[value, expected] : cases)
        QTest::addRow("%.17g", value) << value << expected;
}

void ConversionsTest::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(RoundHalfEven(value), expected);
}

void ConversionsTest::roundHalfEvenKeepsTheSignOfZero()
{
    QVERIFY(std::signbit(RoundHalfEven(-0.5)));
    QVERIFY(std::signbit(RoundHalfEven(-0.4)));
    QVERIFY(!std::signbit(RoundHalfEven(0.5)));
    QVERIFY(std::isnan(RoundHalfEven(std::nan(""))));
    QCOMPARE(RoundHalfEven(-HUGE_VAL), -HUGE_VAL);
}

void ConversionsTest::toNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("failure");
    QTest::addColumn<double>("expected");

    const std::pair<const char *, double> numbers[] = {{"42", 42.0},
                                                       {"  42  ", 42.0},
                                                       {"\t42\t", 42.0},
                                                       {"+7", 7.0},
                                                       {"-7.25", -7.25},
                                                       {".5", 0.5},
                                                       {"5.", 5.0},
                                                       {"1e3", 1000.0},
                                                       {"2.5E-2", 0.025},
                                                       {"-1.5e+2", -150.0},
                                                       {"007", 7.0},
                                                       {"1e-400", 0.0},
                                                       {"4.9e-324", 4.9e-324},
                                                       {"0e999999999999999999", 0.0},
                                                       {"1.7976931348623157e308", DBL_MAX}};
    for (const auto &[text, value] : numbers)
        QTest::addRow("\"%s\"", text) << QString::fromUtf8(text) << Ok << value;

    // No hex, no infinity, no separators, no digits but ASCII ones, one point, whole exponent.
    for (const char *text :
         {"",    "   ",   "abc", "12abc", "1 2",          "-",     ".",     "1.2.3", "+-1",
          "- 1", "1e",    "1e+", "e5",    "1e2.5",        "0x1A",  "0x1p3", "inf",   "-Infinity",
          "nan", "1,000", "1,5", "5\n",   "\u0661\u0662", "\uFF11"})
        QTest::addRow("\"%s\"", text) << QString::fromUtf8(text) << int(TypeMismatch) << 0.0;
    for (const char *text : {"1e400", "-1e400", "1.8e308", "1e99999999999999999999999"})
        QTest::addRow("\"%s\"", text) << QString::fromUtf8(text) << int(Overflow) << 0.0;
}

void ConversionsTest::toNumber()
{
    QFETCH(QString, text);
    QFETCH(int, failure);
    QFETCH(double, expected);

    const Converted<double> result = ToNumber(text);
    QCOMPARE(FailureOf(result), failure);
    QCOMPARE(IsNumeric(text), failure == Ok);
    if (failure == Ok)
        QCOMPARE(*result.value, expected);
    else
        QCOMPARE(result.failure.description, MakeFailure(failure).description);
}

void ConversionsTest::toNumberIgnoresTheLocale()
{
    // The store is shared between users of any language: a German default locale must
    // change nothing.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const Converted<double> point = ToNumber(QStringLiteral("1.5"));
    const Converted<double> comma = ToNumber(QStringLiteral("1,5"));
    const Converted<double> grouped = ToNumber(QStringLiteral("1.000,5"));
    QLocale::setDefault(saved);

    QVERIFY(point.ok());
    QCOMPARE(*point.value, 1.5);
    QCOMPARE(FailureOf(comma), int(TypeMismatch));
    QCOMPARE(FailureOf(grouped), int(TypeMismatch));
}

void ConversionsTest::longTextsTakeLinearTime_data()
{
    constexpr int Length = 100000;
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("failure");
    QTest::newRow("many digits") << QString(Length, u'7') << int(Overflow);
    QTest::newRow("many decimals") << QStringLiteral("0.") + QString(Length, u'3') << Ok;
    QTest::newRow("many leading zeros") << QString(Length, u'0') + QStringLiteral("1.5") << Ok;
    QTest::newRow("many exponent digits") << QStringLiteral("1e-") + QString(Length, u'9') << Ok;
    QTest::newRow("many blanks") << QString(Length, u' ') + QStringLiteral("5") +
                                        QString(Length, u'\t')
                                 << Ok;
    QTest::newRow("letter at the end")
        << QString(Length, u'1') + QStringLiteral("x") << int(TypeMismatch);
    QTest::newRow("points everywhere") << QString(Length, u'.') << int(TypeMismatch);
}

void ConversionsTest::longTextsTakeLinearTime()
{
    QFETCH(QString, text);
    QFETCH(int, failure);
    QElapsedTimer timer;
    timer.start();
    const Converted<double> result = ToNumber(text);
    // A quadratic scan of 100 000 characters takes seconds; a linear one well under this.
    QVERIFY2(timer.elapsed() < 250, qPrintable(QString::number(timer.elapsed()) + " ms"));
    QCOMPARE(FailureOf(result), failure);
}

void ConversionsTest::wholeNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("failure16");
    QTest::addColumn<int>("value16");
    QTest::addColumn<int>("failure32");
    QTest::addColumn<int>("value32");

    const int overflow = Overflow;
    const int mismatch = TypeMismatch;
    QTest::newRow("3.5 rounds up to even") << "3.5" << Ok << 4 << Ok << 4;
    QTest::newRow("2.5 rounds down to even") << "2.5" << Ok << 2 << Ok << 2;
    QTest::newRow("-0.5 is zero") << "-0.5" << Ok << 0 << Ok << 0;
    QTest::newRow("-1.5") << "-1.5" << Ok << -2 << Ok << -2;
    QTest::newRow("blanks and plus") << " +12 " << Ok << 12 << Ok << 12;
    QTest::newRow("exponent") << "1.5e2" << Ok << 150 << Ok << 150;
    QTest::newRow("16-bit top") << "32767" << Ok << 32767 << Ok << 32767;
    QTest::newRow("16-bit top plus one") << "32768" << overflow << 0 << Ok << 32768;
    QTest::newRow("16-bit bottom") << "-32768" << Ok << -32768 << Ok << -32768;
    QTest::newRow("16-bit bottom minus one") << "-32769" << overflow << 0 << Ok << -32769;
    QTest::newRow("rounds into overflow") << "32767.5" << overflow << 0 << Ok << 32768;
    QTest::newRow("rounds back into range") << "-32768.5" << Ok << -32768 << Ok << -32768;
    QTest::newRow("1e9") << "1e9" << overflow << 0 << Ok << 1000000000;
    QTest::newRow("32-bit top") << "2147483647" << overflow << 0 << Ok << 2147483647;
    QTest::newRow("32-bit top plus one") << "2147483648" << overflow << 0 << overflow << 0;
    QTest::newRow("32-bit bottom") << "-2147483648" << overflow << 0 << Ok << int(-2147483648LL);
    QTest::newRow("32-bit half above top") << "2147483647.5" << overflow << 0 << overflow << 0;
    QTest::newRow("beyond double") << "1e400" << overflow << 0 << overflow << 0;
    QTest::newRow("letters") << "abc" << mismatch << 0 << mismatch << 0;
    QTest::newRow("empty") << "" << mismatch << 0 << mismatch << 0;
    QTest::newRow("decimal comma") << "3,5" << mismatch << 0 << mismatch << 0;
}

void ConversionsTest::wholeNumbers()
{
    QFETCH(QString, text);
    QFETCH(int, failure16);
    QFETCH(int, value16);
    QFETCH(int, failure32);
    QFETCH(int, value32);

    const Converted<qint16> whole16 = ToWhole16(text);
    QCOMPARE(FailureOf(whole16), failure16);
    if (failure16 == Ok)
        QCOMPARE(int(*whole16.value), value16);

    const Converted<qint32> whole32 = ToWhole32(text);
    QCOMPARE(FailureOf(whole32), failure32);
    if (failure32 == Ok)
        QCOMPARE(*whole32.value, value32);
}

void ConversionsTest::toSingle_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("failure");
    QTest::addColumn<float>("expected");
    QTest::newRow("plain") << "10.5" << Ok << 10.5f;
    QTest::newRow("nearest float") << "0.1" << Ok << 0.1f;
    QTest::newRow("largest float") << "3.4028234663852886e38" << Ok << FLT_MAX;
    QTest::newRow("largest float negative") << "-3.4028234663852886e38" << Ok << -FLT_MAX;
    QTest::newRow("beyond float") << "3.5e38" << int(Overflow) << 0.0f;
    QTest::newRow("beyond float negative") << "-1e39" << int(Overflow) << 0.0f;
    QTest::newRow("tiny becomes zero") << "1e-50" << Ok << 0.0f;
    QTest::newRow("letters") << "ten" << int(TypeMismatch) << 0.0f;
}

void ConversionsTest::toSingle()
{
    QFETCH(QString, text);
    QFETCH(int, failure);
    QFETCH(float, expected);
    const Converted<float> result = ToSingle(text);
    QCOMPARE(FailureOf(result), failure);
    if (failure == Ok)
        QCOMPARE(*result.value, expected);
}

void ConversionsTest::toBoolean_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("failure");
    QTest::addColumn<bool>("expected");
    QTest::newRow("True") << "True" << Ok << true;
    QTest::newRow("FALSE") << "FALSE" << Ok << false;
    QTest::newRow("tRuE with blanks") << "  tRuE\t" << Ok << true;
    QTest::newRow("false") << "false" << Ok << false;
    QTest::newRow("zero") << "0" << Ok << false;
    QTest::newRow("zero point zero") << " 0.0 " << Ok << false;
    QTest::newRow("minus one") << "-1" << Ok << true;
    QTest::newRow("a fraction") << "0.001" << Ok << true;
    QTest::newRow("yes is no boolean") << "yes" << int(TypeMismatch) << false;
    QTest::newRow("truth") << "Truth" << int(TypeMismatch) << false;
    QTest::newRow("empty") << "" << int(TypeMismatch) << false;
    QTest::newRow("overflowing number") << "1e400" << int(Overflow) << false;
}

void ConversionsTest::toBoolean()
{
    QFETCH(QString, text);
    QFETCH(int, failure);
    QFETCH(bool, expected);
    const Converted<bool> result = ToBoolean(text);
    QCOMPARE(FailureOf(result), failure);
    if (failure == Ok)
        QCOMPARE(*result.value, expected);
}

void ConversionsTest::singleToText_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");
    const std::pair<float, const char *> cases[] = {
        {14.0f, "14"},         {10.5f, "10.5"},       {0.1f, "0.1"},
        {-3.0f, "-3"},         {0.0f, "0"},           {-0.0f, "0"},
        {123.456f, "123.456"}, {0.00125f, "0.00125"}, {1048576.0f, "1048576"}};
    for (const auto &[value, text] : cases)
        QTest::addRow("%g", double(value)) << value << QString::fromLatin1(text);
}

void ConversionsTest::singleToText()
{
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(SingleToText(value), expected);
}

void ConversionsTest::singleTextReadsBackTheSameFloat()
{
    // Random bit patterns cover every exponent: the text must read back exactly, be no
    // longer than needed, and keep plain digits for the sizes a person types.
    QRandomGenerator random(20280208);
    for (int i = 0; i < 20000; ++i) {
        const quint32 bits = random.generate();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value))
            continue;
        const QString text = SingleToText(value);
        const Converted<float> back = ToSingle(text);
        QVERIFY2(back.ok() && *back.value == value, qPrintable(text));

        const float magnitude = std::fabs(value);
        if (magnitude >= 1e-5f && magnitude < 1e15f) {
            QVERIFY2(!text.contains(u'e'), qPrintable(text));
            if (text.contains(u'.'))
                QVERIFY2(!text.endsWith(u'0') && !text.endsWith(u'.'), qPrintable(text));
        }
        // Shortest: dropping the last significant digit must lose the value.
        const qsizetype last = text.indexOf(u'e') < 0 ? text.size() : text.indexOf(u'e');
        if (text.contains(u'.') && last > text.indexOf(u'.') + 1) {
            QString shorter = text;
            shorter.remove(last - 1, 1);
            const Converted<float> shorterBack = ToSingle(shorter);
            QVERIFY2(!shorterBack.ok() || *shorterBack.value != value,
                     qPrintable(text + " vs " + shorter));
        }
    }
}

void ConversionsTest::booleanTextReadsBack()
{
    QCOMPARE(BooleanToText(true), "True");
    QCOMPARE(BooleanToText(false), "False");
    QCOMPARE(*ToBoolean(BooleanToText(true)).value, true);
    QCOMPARE(*ToBoolean(BooleanToText(false)).value, false);
}

LUMIDEX_REGISTER_TEST(ConversionsTest)
#include "tst_conversions.moc"
