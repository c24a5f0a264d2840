#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

// The settings file's text, read as QSettings reads INI files (files it wrote, and files a
// person edited) and changed one key's line at a time: every other byte stays as it was,
// comments, unknown keys and lines that make no sense included.
namespace platform {

class IniText
{
public:
    explicit IniText(QByteArray bytes = {});

    // The key's value as text, or nothing when the key is missing or holds something that
    // is not text (a rectangle, a broken variant). A NUL character ends the text.
    std::optional<QString> Text(const QString &section, const QString &key) const;

    // Puts the value in the key's line, or adds a line for it at the end of its section
    // (and the section at the end of the text). True when the line it replaced went over
    // more than one line of the file, whose other lines are then gone.
    bool Set(const QString &section, const QString &key, const QString &value);

    const QByteArray &bytes() const { return m_bytes; }

private:
    struct Line
    {
        QString section;
        QString key;
        qsizetype begin = 0;  // where the key starts
        qsizetype equals = 0; // the '=' before the value
        qsizetype end = 0;    // after the value, before any comment or line break
    };

    void Parse();
    bool Place(const QString &section, const QString &key, const QString &value);
    QHash<QString, QByteArray> RawValues() const;
    QByteArray LineBreak() const;
    static QString EntryName(const QString &section, const QString &key);

    QByteArray m_bytes;
    QHash<QString, Line> m_entries;          // "section/key": the line read last wins
    QHash<QString, qsizetype> m_sectionEnds; // where a new key of the section goes
};

// A NUL character ends a text wherever the program takes one in.
QString TextUpToNul(const QString &text);

// How a value is written: escaped and quoted as QSettings writes a text.
QByteArray EncodeIniValue(const QString &value);

} // namespace platform
