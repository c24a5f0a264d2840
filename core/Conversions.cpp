#include "core/Conversions.h"

#include "core/Rounding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace core {

namespace {

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Trims the blanks a person may leave around a value in the settings file.
QStringView TrimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin)))
        ++begin;
    while (end > begin && IsBlank(text.at(end - 1)))
        --end;
    return QStringView(text).mid(begin, end - begin);
}

// A number that passed the grammar, split up so an out-of-range result can be told apart:
// from_chars reports overflow and underflow alike.
struct Scanned
{
    bool negative = false;
    std::string unsignedText; // ASCII, what from_chars reads
    // Power of ten of the first significant digit, or nullopt when every digit is zero.
    std::optional<qint64> magnitude;
};

// Saturates the exponent: any exponent this large already overflows or underflows.
constexpr qint64 ExponentLimit = 1'000'000'000;

std::optional<Scanned> Scan(QStringView text)
{
    Scanned scanned;
    scanned.unsignedText.reserve(size_t(text.size()));
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        scanned.negative = text[i] == u'-';
        ++i;
    }

    // Where the first non-zero digit stands: its index among the integer digits, or how
    // many places after the point.
    qint64 integerDigits = 0;
    qint64 fractionDigits = 0;
    std::optional<qint64> firstInInteger;
    std::optional<qint64> firstInFraction;
    bool seenPoint = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (IsDigit(c)) {
            const bool significant = c != u'0' && !firstInInteger && !firstInFraction;
            if (!seenPoint) {
                if (significant)
                    firstInInteger = integerDigits;
                ++integerDigits;
            } else {
                ++fractionDigits;
                if (significant)
                    firstInFraction = fractionDigits;
            }
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        scanned.unsignedText.push_back(char(c.unicode()));
    }
    if (integerDigits + fractionDigits == 0)
        return std::nullopt;

    qint64 exponent = 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        scanned.unsignedText.push_back('e');
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == u'+' || text[i] == u'-')) {
            negativeExponent = text[i] == u'-';
            scanned.unsignedText.push_back(char(text[i].unicode()));
            ++i;
        }
        const qsizetype exponentStart = i;
        for (; i < n && IsDigit(text[i]); ++i) {
            scanned.unsignedText.push_back(char(text[i].unicode()));
            exponent = std::min(exponent * 10 + (text[i].unicode() - u'0'), ExponentLimit);
        }
        if (i == exponentStart)
            return std::nullopt;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != n)
        return std::nullopt;
    if (firstInInteger)
        scanned.magnitude = integerDigits - 1 - *firstInInteger + exponent;
    else if (firstInFraction)
        scanned.magnitude = -*firstInFraction + exponent;
    return scanned;
}

} // namespace

Converted<double> ToNumber(const QString &text)
{
    const std::optional<Scanned> scanned = Scan(TrimBlanks(text));
    if (!scanned)
        return Converted<double>::fail(TypeMismatch);

    // from_chars, unlike strtod, ignores the C locale Qt installs (a German decimal comma).
    double value = 0.0;
    const char *first = scanned->unsignedText.data();
    const char *last = first + scanned->unsignedText.size();
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        if (scanned->magnitude && *scanned->magnitude >= 0)
            return Converted<double>::fail(Overflow);
        value = 0.0; // too small to tell from zero
    } else if (error != std::errc() || end != last) {
        return Converted<double>::fail(TypeMismatch);
    }
    if (!std::isfinite(value))
        return Converted<double>::fail(Overflow);
    return Converted<double>::success(scanned->negative ? -value : value);
}

bool IsNumeric(const QString &text)
{
    return ToNumber(text).ok();
}

namespace {

template <typename Whole> Converted<Whole> ToWhole(const QString &text)
{
    const Converted<double> number = ToNumber(text);
    if (!number.ok())
        return {std::nullopt, number.failure};
    const double rounded = RoundHalfEven(*number.value);
    if (rounded < double(std::numeric_limits<Whole>::min()) ||
        rounded > double(std::numeric_limits<Whole>::max()))
        return Converted<Whole>::fail(Overflow);
    return Converted<Whole>::success(Whole(rounded));
}

} // namespace

Converted<qint16> ToWhole16(const QString &text)
{
    return ToWhole<qint16>(text);
}

Converted<qint32> ToWhole32(const QString &text)
{
    return ToWhole<qint32>(text);
}

Converted<float> ToSingle(const QString &text)
{
    const Converted<double> number = ToNumber(text);
    if (!number.ok())
        return {std::nullopt, number.failure};
    // Beyond FLT_MAX by less than half a step still rounds to it: "3.4028235e38", which
    // SingleToText writes for FLT_MAX, must read back.
    constexpr double FirstRoundingToInfinity = 0x1.ffffffp127;
    if (std::fabs(*number.value) >= FirstRoundingToInfinity)
        return Converted<float>::fail(Overflow);
    return Converted<float>::success(float(*number.value));
}

Converted<bool> ToBoolean(const QString &text)
{
    const QStringView word = TrimBlanks(text);
    if (word.compare(u"True", Qt::CaseInsensitive) == 0)
        return Converted<bool>::success(true);
    if (word.compare(u"False", Qt::CaseInsensitive) == 0)
        return Converted<bool>::success(false);
    const Converted<double> number = ToNumber(text);
    if (!number.ok())
        return {std::nullopt, number.failure};
    return Converted<bool>::success(*number.value != 0.0);
}

QString SingleToText(float value)
{
    if (value == 0.0f)
        return QStringLiteral("0"); // no "-0" in a settings file
    // Plain digits for the sizes people type; an exponent only where the digits would run
    // far past the significant ones.
    const float magnitude = std::fabs(value);
    const bool plain = magnitude >= 1e-5f && magnitude < 1e15f;
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value,
                      plain ? std::chars_format::fixed : std::chars_format::scientific);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString BooleanToText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace core
