#include "TestSupport.h"

#include "core/Conversions.h"
#include "core/Rounding.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <tuple>


using namespace core;

namespace {

constexpr int Ok = 0; // in a failure column: no failure expected
constexpr int Mismatch = TypeMismatch;

// The conversion a row names, its value widened to double.
Converted<double> Convert(const QString &type, const QString &text)
{
    const auto widen = [](const auto &converted) {
        return converted.ok() ? Converted<double>::success(double(*converted.value))
                              : Converted<double>{std::nullopt, converted.failure};
    };
    if (type == QLatin1String("whole16"))
        return widen(ToWhole16(text));
    if (type == QLatin1String("whole32"))
        return widen(ToWhole32(text));
    if (type == QLatin1String("single"))
        return widen(ToSingle(text));
    if (type == QLatin1String("boolean"))
        return widen(ToBoolean(text));
    return ToNumber(text);
}

} // namespace

class ConversionsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundHalfEven_data();
    void roundHalfEven();
    void fromText_data();
    void fromText();
    void textForms();
};

void ConversionsTest::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    const std::pair<double, double> cases[] = {
        {2.5, 2.0},   {3.5, 4.0},       {-2.5, -2.0},
        {-3.5, -4.0}, {0.5, 0.0},       {-0.5, -0.0},
        {-2.6, -3.0}, {2.5000001, 3.0}, {4503599627370495.5, 4503599627370496.0}};
    for (const auto &[value, expected] : cases)
        QTest::addRow("%.17g", value) << value << expected;
}

void ConversionsTest::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(RoundHalfEven(value), expected);
    QCOMPARE(std::signbit(RoundHalfEven(value)), std::signbit(expected)); // -0.5 -> -0
}

void ConversionsTest::fromText_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("failure");
    QTest::addColumn<double>("expected");
    const auto add = [](const char *type, const QString &text, int failure, double expected) {
        QTest::addRow("%s \"%s\"", type, qPrintable(text.left(20)))
            << QString::fromLatin1(type) << text << failure << expected;
    };

    const std::pair<const char *, double> numbers[] = {
        {" \t42\t ", 42.0}, {"+7", 7.0},
        {"-7.25", -7.25},   {".5", 0.5},
        {"5.", 5.0},        {"1e3", 1000.0},
        {"2.5E-2", 0.025},  {"-1.5e+2", -150.0},
        {"1e-400", 0.0},    {"0e99999999999999999999", 0.0}};
    for (const auto &[text, value] : numbers)
        add("number", QString::fromUtf8(text), Ok, value);
    // No hex, no infinity, no separators, no digits but ASCII ones, one point, whole exponent.
    for (const char *text : {"", "   ", "12abc", "1 2", "-", ".", "1.2.3", "+-1", "1e", "1e+", "e5",
                             "1e2.5", "0x1A", "inf", "nan", "1,5", "5\n", "\u0661"})
        add("number", QString::fromUtf8(text), Mismatch, 0.0);
    for (const char *text : {"1e400", "-1e400", "1e99999999999999999999"})
        add("number", QString::fromLatin1(text), Overflow, 0.0);
    // Long texts: many digits, many zeros before the first significant one, a long exponent.
    add("number", QString(100000, u'7'), Overflow, 0.0);
    add("number", QString(100000, u'0') + "1.5", Ok, 1.5);
    add("number", "1e-" + QString(100000, u'9'), Ok, 0.0);
    add("number", QString(100000, u'.'), Mismatch, 0.0);

    // Whole numbers: rounded half to even first ("32767.5" overflows), then they must fit.
    constexpr int ovf = Overflow;
    const std::tuple<const char *, int, double, int, double> wholes[] = {
        {"2.5", Ok, 2, Ok, 2},
        {"3.5", Ok, 4, Ok, 4},
        {"32767", Ok, 32767, Ok, 32767},
        {"32768", ovf, 0, Ok, 32768},
        {"-32768", Ok, -32768, Ok, -32768},
        {"-32769", ovf, 0, Ok, -32769},
        {"32767.5", ovf, 0, Ok, 32768},
        {"-32768.5", Ok, -32768, Ok, -32768},
        {"2147483647", ovf, 0, Ok, 2147483647},
        {"2147483648", ovf, 0, ovf, 0},
        {"-2147483648", ovf, 0, Ok, -2147483648.0},
        {"-2147483649", ovf, 0, ovf, 0},
        {"1e400", ovf, 0, ovf, 0},
        {"3,5", Mismatch, 0, Mismatch, 0}};
    for (const auto &[text, failure16, value16, failure32, value32] : wholes) {
        add("whole16", QString::fromLatin1(text), failure16, value16);
        add("whole32", QString::fromLatin1(text), failure32, value32);
    }

    add("single", "0.1", Ok, double(0.1f));
    add("single", "3.4028234663852886e38", Ok, double(FLT_MAX));
    // What rounds to the largest single is no overflow; half a step beyond it is.
    add("single", "3.4028235e38", Ok, double(FLT_MAX));
    add("single", "-3.4028235e38", Ok, -double(FLT_MAX));
    add("single", "3.40282356e38", Ok, double(FLT_MAX));
    add("single", "340282356779733661637539395458142568448", Overflow, 0.0);
    add("single", "3.4028236e38", Overflow, 0.0);
    add("single", "3.5e38", Overflow, 0.0);
    add("single", "-1e39", Overflow, 0.0);
    add("single", "1e-50", Ok, 0.0);
    add("single", "ten", Mismatch, 0.0);

    // "True"/"False" in any case, or a number: anything but 0 is true.
    const std::pair<const char *, double> booleans[] = {{"True", 1.0},     {"FALSE", 0.0},
                                                        {"  tRuE\t", 1.0}, {" 0.0 ", 0.0},
                                                        {"-1", 1.0},       {"0.001", 1.0}};
    for (const auto &[text, value] : booleans)
        add("boolean", QString::fromLatin1(text), Ok, value);
    add("boolean", "yes", Mismatch, 0.0);
    add("boolean", "Truth", Mismatch, 0.0);
    add("boolean", "1e400", Overflow, 0.0);
}

void ConversionsTest::fromText()
{
    QFETCH(QString, type);
    QFETCH(QString, text);
    QFETCH(int, failure);
    QFETCH(double, expected);
    if (type == QLatin1String("number"))
        QCOMPARE(IsNumeric(text), failure == Ok);
    // The store is shared between users of any language: a German locale changes nothing.
    const QLocale saved;
    const auto restore = qScopeGuard([&saved] { QLocale::setDefault(saved); });
    for (const QLocale &locale : {saved, QLocale(QLocale::German, QLocale::Germany)}) {
        QLocale::setDefault(locale);
        const Converted<double> result = Convert(type, text);
        QCOMPARE(result.ok() ? Ok : result.failure.number, failure);
        QCOMPARE(result.valueOr(0.0), expected);
        if (failure != Ok)
            QCOMPARE(result.failure.description, MakeFailure(failure).description);
    }
}

void ConversionsTest::textForms()
{
    QCOMPARE(BooleanToText(true), "True");
    QCOMPARE(BooleanToText(false), "False");
    const std::pair<float, const char *> singles[] = {
        {14.0f, "14"}, {10.5f, "10.5"},       {0.1f, "0.1"},          {-3.0f, "-3"},
        {-0.0f, "0"},  {0.00125f, "0.00125"}, {1048576.0f, "1048576"}};
    for (const auto &[value, text] : singles)
        QCOMPARE(SingleToText(value), QString::fromLatin1(text));

    // The extremes, which random bits seldom hit, read back too.
    for (const float value : {FLT_MAX, -FLT_MAX, FLT_MIN, -FLT_MIN, FLT_TRUE_MIN, -FLT_TRUE_MIN,
                              1e-5f, 1e15f, std::nextafter(1e15f, 0.0f)})
        QCOMPARE(ToSingle(SingleToText(value)).valueOr(NAN), value);

    // Random bit patterns cover every exponent: the text reads back exactly, is no longer
    // than needed, and keeps plain digits for the sizes a person types.
    QRandomGenerator random(20280208);
    for (int i = 0; i < 400; ++i) {
        const quint32 bits = random.generate();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value))
            continue;
        const QString text = SingleToText(value);
        QCOMPARE(ToSingle(text).valueOr(NAN), value);
        const float magnitude = std::fabs(value);
        if (magnitude >= 1e-5f && magnitude < 1e15f)
            QVERIFY2(!text.contains(u'e') && !text.endsWith(u'.') &&
                         !(text.contains(u'.') && text.endsWith(u'0')),
                     qPrintable(text));
        // Shortest: dropping the last significant digit loses the value.
        const qsizetype last = text.indexOf(u'e') < 0 ? text.size() : text.indexOf(u'e');
        if (text.contains(u'.') && last > text.indexOf(u'.') + 1) {
            const QString shorter = QString(text).remove(last - 1, 1);
            QVERIFY2(ToSingle(shorter).valueOr(NAN) != value, qPrintable(text + " " + shorter));
        }
    }
}

LUMIDEX_REGISTER_TEST(ConversionsTest)
#include "tst_conversions.moc"
