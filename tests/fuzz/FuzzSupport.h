#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What the fuzz targets share: turning bytes into the texts the program reads, and a
// failure that libFuzzer records with the input that caused it.
namespace fuzz {

inline QByteArray Bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The settings file and the command line both arrive as UTF-8.
inline QString Text(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Locales whose dates differ: month first, day first with dots, French month names,
// year first with CJK names, and the C locale.
inline QLocale LocaleFrom(uint8_t choice)
{
    static const QLocale locales[] = {
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::French, QLocale::France),
        QLocale(QLocale::Japanese, QLocale::Japan),
        QLocale::c(),
    };
    return locales[choice % std::size(locales)];
}

// Arguments as the kernel hands them over: separated by NUL bytes.
inline QStringList SplitOnNul(const uint8_t *data, size_t size)
{
    QStringList words;
    for (const QByteArray &word : Bytes(data, size).split('\0'))
        words << QString::fromUtf8(word);
    return words;
}

[[noreturn]] inline void Fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "property broken: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

} // namespace fuzz
