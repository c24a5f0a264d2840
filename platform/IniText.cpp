#include "platform/IniText.h"

#include <QByteArrayView>
#include <QList>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>

// The reading follows QSettings 6 on INI files, so that files it wrote, and the ones people
// wrote for it, read as before: a line ends at a line break or at a ';' outside quotes,
// a quoted part may go over line breaks, a backslash escapes the next character (a line
// break too, which continues the line), the first '=' outside quotes ends the key, and
// a value is a list when it has a ',' outside quotes.
namespace platform {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

struct LogicalLine
{
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype equals = -1;
};

// The next line from pos on, comments skipped; false at the end of the text.
bool ReadLine(QByteArrayView data, qsizetype &pos, LogicalLine &line)
{
    const qsizetype size = data.size();
    bool inQuotes = false;
    line.equals = -1;
    qsizetype start = pos;
    while (start < size && IsBlank(data[start]))
        ++start;
    qsizetype i = start;
    while (i < size) {
        const char ch = data[i++];
        if (ch == '=') {
            if (!inQuotes && line.equals < 0)
                line.equals = i - 1;
        } else if (IsLineBreak(ch)) {
            if (!inQuotes) {
                --i;
                break;
            }
        } else if (ch == '\\') {
            if (i < size) {
                const char escaped = data[i++];
                // "\r\n" and "\n\r" after a backslash are one line break.
                if (i < size && IsLineBreak(escaped) && IsLineBreak(data[i]) && data[i] != escaped)
                    ++i;
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (ch == ';') {
            if (i == start + 1) {
                while (i < size && !IsLineBreak(data[i]))
                    ++i;
                while (i < size && IsBlank(data[i]))
                    ++i;
                start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    pos = i;
    line.begin = start;
    line.end = i;
    return i > start;
}

// After the line break that ends the physical line holding `from`.
qsizetype NextLineStart(QByteArrayView data, qsizetype from)
{
    while (from < data.size() && !IsLineBreak(data[from]))
        ++from;
    if (from < data.size())
        from += data.sliced(from).startsWith("\r\n") ? 2 : 1;
    return from;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int OctalDigit(char c)
{
    return c >= '0' && c <= '7' ? c - '0' : -1;
}

void ChopTrailingBlanks(QString &text, qsizetype limit)
{
    while (text.size() > limit && (text.back() == u' ' || text.back() == u'\t'))
        text.chop(1);
}

// The parts of a value: one for a single text, more for a list.
QStringList UnescapedParts(QByteArrayView value)
{
    static constexpr char Escapes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                          {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                          {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    QStringList parts;
    QString current;
    bool inQuotes = false;
    bool quoted = false;
    bool isList = false;
    qsizetype chopLimit = 0;
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < value.size() && (value[i] == ' ' || value[i] == '\t'))
            ++i;
        chopLimit = current.size();
    };
    // A numeric escape: digits of the base for as long as they come.
    const auto numeric = [&](int base, int (*digit)(char), char16_t start) {
        char16_t code = start;
        for (int d; i < value.size() && (d = digit(value[i])) >= 0; ++i)
            code = char16_t(code * base + d);
        current += QChar(code);
    };

    // One decoder for the whole value, as a character may be cut by an escape; a byte
    // order mark inside a value is a character of it.
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    bool cutShort = false; // a backslash, or "\\x", at the very end
    skipBlanks();
    while (i < value.size()) {
        const char ch = value[i];
        if (ch == '\\') {
            if (++i >= value.size()) {
                cutShort = true;
                break;
            }
            const char escaped = value[i++];
            const auto *known = std::find_if(std::begin(Escapes), std::end(Escapes),
                                             [&](const char *e) { return e[0] == escaped; });
            if (known != std::end(Escapes)) {
                current += QLatin1Char(known[0][1]);
            } else if (escaped == 'x') {
                if (i >= value.size()) {
                    cutShort = true;
                    break;
                }
                if (HexDigit(value[i]) >= 0)
                    numeric(16, HexDigit, 0);
            } else if (OctalDigit(escaped) >= 0) {
                numeric(8, OctalDigit, char16_t(OctalDigit(escaped)));
            } else if (IsLineBreak(escaped)) {
                if (i < value.size() && IsLineBreak(value[i]) && value[i] != escaped)
                    ++i;
            } // any other escaped character is dropped
            chopLimit = current.size();
        } else if (ch == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
        } else if (ch == ',' && !inQuotes) {
            if (!quoted)
                ChopTrailingBlanks(current, chopLimit);
            isList = true;
            parts.append(current);
            current.clear();
            quoted = false;
            ++i;
            skipBlanks();
        } else {
            qsizetype j = i + 1;
            while (j < value.size() && value[j] != '\\' && value[j] != '"' && value[j] != ',')
                ++j;
            current += decode(value.sliced(i, j - i));
            i = j;
        }
    }
    if (!quoted && !cutShort)
        ChopTrailingBlanks(current, chopLimit);
    parts.append(current);
    if (!isList)
        parts = QStringList{parts.constLast()};
    return parts;
}

// What one part stands for as text: "@@..." is a text starting with '@', "@String(...)" and
// "@ByteArray(...)" are texts, the other "@Name(...)" forms are not texts.
std::optional<QString> PartAsText(const QString &part)
{
    if (!part.startsWith(u'@'))
        return part;
    if (part.startsWith(QStringLiteral("@@")))
        return part.mid(1);
    if (!part.endsWith(u')'))
        return part;
    for (const QString &text : {QStringLiteral("@String("), QStringLiteral("@ByteArray(")})
        if (part.startsWith(text))
            return part.mid(text.size(), part.size() - text.size() - 1);
    for (const char *other :
         {"@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point(", "@Invalid("})
        if (part.startsWith(QLatin1String(other)))
            return std::nullopt;
    return part;
}

std::optional<QString> DecodeValue(QByteArrayView value)
{
    QStringList texts;
    for (const QString &part : UnescapedParts(value)) {
        const std::optional<QString> text = PartAsText(part);
        if (!text)
            return std::nullopt;
        texts.append(*text);
    }
    return TextUpToNul(texts.join(QStringLiteral(", ")));
}

// A section or key name that reads back as written: without the signs that end or
// quote a name, and without blanks around it.
bool WritableName(const QString &name)
{
    static const QString signs = QStringLiteral("\"\\;=[]\r\n");
    return !name.isEmpty() && name == name.trimmed() &&
           std::none_of(name.begin(), name.end(), [](QChar c) { return signs.contains(c); });
}

} // namespace

QString TextUpToNul(const QString &text)
{
    return text.left(text.indexOf(QChar(u'\0')));
}

QByteArray EncodeIniValue(const QString &value)
{
    const QString text = TextUpToNul(value);
    const QString marked = text.startsWith(u'@') ? u'@' + text : text;
    QByteArray result;
    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    qsizetype plainFrom = 0; // characters written as they are, in UTF-8, a run at a time
    const auto escape = [&](qsizetype at, const QByteArray &escaped) {
        result += marked.sliced(plainFrom, at - plainFrom).toUtf8() + escaped;
        plainFrom = at + 1;
    };
    for (qsizetype at = 0; at < marked.size(); ++at) {
        const char16_t ch = marked[at].unicode();
        needsQuotes = needsQuotes || ch == ';' || ch == ',' || ch == '=';
        // A digit right after a numeric escape would be read as part of it.
        const bool hex = ch < 0x80 && HexDigit(char(ch)) >= 0;
        if (escapeNextIfHex && hex) {
            escape(at, "\\x" + QByteArray::number(ch, 16));
            continue;
        }
        escapeNextIfHex = false;
        static constexpr char Named[][2] = {{'\a', 'a'}, {'\b', 'b'}, {'\f', 'f'},
                                            {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'},
                                            {'\v', 'v'}, {'"', '"'},  {'\\', '\\'}};
        const auto *named = std::find_if(std::begin(Named), std::end(Named),
                                         [&](const char *n) { return n[0] == ch; });
        if (named != std::end(Named)) {
            escape(at, QByteArray("\\") + named[0][1]);
        } else if (ch <= 0x1F) {
            escape(at, "\\x" + QByteArray::number(ch, 16));
            escapeNextIfHex = true;
        }
    }
    result += marked.sliced(plainFrom).toUtf8();
    if (needsQuotes || result.startsWith(' ') || result.endsWith(' '))
        result = '"' + result + '"';
    return result;
}

IniText::IniText(QByteArray bytes) : m_bytes(std::move(bytes))
{
    Parse();
}

QString IniText::EntryName(const QString &section, const QString &key)
{
    return section + u'/' + key;
}

void IniText::Parse()
{
    m_entries.clear();
    m_sectionEnds.clear();
    const QByteArrayView data(m_bytes);
    QString section; // keys before any section header are in none
    qsizetype pos = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    LogicalLine line;
    while (ReadLine(data, pos, line)) {
        const QByteArrayView text = data.sliced(line.begin, line.end - line.begin);
        if (text.startsWith('[')) {
            const qsizetype close = text.indexOf(']');
            const QByteArrayView name =
                text.first(close < 0 ? text.size() : close).sliced(1).trimmed();
            section = name.compare("general", Qt::CaseInsensitive) == 0 ? QString()
                                                                        : QString::fromUtf8(name);
        } else if (line.equals >= 0) {
            const QByteArrayView key = data.sliced(line.begin, line.equals - line.begin).trimmed();
            const QString name = QString::fromUtf8(key);
            m_entries.insert(EntryName(section, name),
                             {section, name, line.begin, line.equals, line.end});
        }
        m_sectionEnds.insert(section, NextLineStart(data, line.end));
    }
}

std::optional<QString> IniText::Text(const QString &section, const QString &key) const
{
    const auto entry = m_entries.constFind(EntryName(section, key));
    if (entry == m_entries.cend())
        return std::nullopt;
    return DecodeValue(
        QByteArrayView(m_bytes).sliced(entry->equals + 1, entry->end - entry->equals - 1));
}

QHash<QString, QByteArray> IniText::RawValues() const
{
    QHash<QString, QByteArray> values;
    for (auto entry = m_entries.cbegin(); entry != m_entries.cend(); ++entry)
        values.insert(entry.key(), m_bytes.mid(entry->equals + 1, entry->end - entry->equals - 1));
    return values;
}

QByteArray IniText::LineBreak() const
{
    const qsizetype first = m_bytes.indexOf('\n');
    return first > 0 && m_bytes[first - 1] == '\r' ? QByteArrayLiteral("\r\n")
                                                   : QByteArrayLiteral("\n");
}

bool IniText::Place(const QString &section, const QString &key, const QString &value)
{
    const QByteArray line = key.toUtf8() + '=' + EncodeIniValue(value);
    const auto entry = m_entries.constFind(EntryName(section, key));
    bool spansLines = false;
    if (entry != m_entries.cend()) {
        const QByteArrayView old =
            QByteArrayView(m_bytes).sliced(entry->begin, entry->end - entry->begin);
        spansLines = old.contains('\n') || old.contains('\r');
        m_bytes.replace(entry->begin, entry->end - entry->begin, line);
    } else {
        const QByteArray lineBreak = LineBreak();
        const bool endsLine = m_bytes.isEmpty() || IsLineBreak(m_bytes.back());
        const auto end = m_sectionEnds.constFind(section);
        if (end != m_sectionEnds.cend()) {
            const qsizetype at = *end;
            const bool atLineStart = at == 0 || IsLineBreak(m_bytes[at - 1]);
            m_bytes.insert(at, (atLineStart ? QByteArray() : lineBreak) + line + lineBreak);
        } else {
            if (!endsLine)
                m_bytes += lineBreak;
            if (!m_bytes.isEmpty())
                m_bytes += lineBreak;
            m_bytes += '[' + section.toUtf8() + ']' + lineBreak + line + lineBreak;
        }
    }
    Parse();
    return spansLines;
}

bool IniText::Set(const QString &section, const QString &key, const QString &value)
{
    const IniText old = *this;
    const bool spansLines = Place(section, key, value);
    QHash<QString, QByteArray> before = old.RawValues();
    QHash<QString, QByteArray> after = RawValues();
    before.remove(EntryName(section, key));
    after.remove(EntryName(section, key));
    if (before == after && Text(section, key) == TextUpToNul(value))
        return spansLines;

    // The new line changed how the rest reads (after an open quote or a final backslash):
    // the text is made anew from what it held, in its order, instead.
    QList<Line> lines = old.m_entries.values();
    std::sort(lines.begin(), lines.end(),
              [](const Line &a, const Line &b) { return a.begin < b.begin; });
    IniText fresh;
    for (const Line &line : lines)
        if (const std::optional<QString> text = old.Text(line.section, line.key);
            text && WritableName(line.section) && WritableName(line.key))
            fresh.Place(line.section, line.key, *text);
    fresh.Place(section, key, value);
    *this = fresh;
    return true;
}

} // namespace platform
