#pragma once

// What the fuzz targets share: turning bytes into the texts the program reads, and a
// failure that libFuzzer records with the input that caused it.

#include <QLocale>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// The settings file and the command line both arrive as UTF-8.
inline QString Text(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Words as the kernel hands arguments over: separated by NUL bytes.
inline QStringList SplitOnNul(const uint8_t *data, size_t size)
{
    return Text(data, size).split(QChar(0));
}

// Locales whose dates differ: month first, day first with dots, French names, year first
// with CJK names, and C.
inline QLocale LocaleFrom(uint8_t choice)
{
    static const QLocale locales[] = {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::French, QLocale::France),
                                      QLocale(QLocale::Japanese, QLocale::Japan), QLocale::c()};
    return locales[choice % std::size(locales)];
}

[[noreturn]] inline void Fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "property broken: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

} // namespace fuzz
