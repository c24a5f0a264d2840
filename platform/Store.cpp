#include "platform/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <optional>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// How QSettings 6.4 behaves, measured, and what this file does about it:
//
// - Caching. QSettings keeps every file it parsed in a process-wide cache, also across
//   QSettings objects, and parses it again only when its size or its modification time
//   (in whole milliseconds) changed; sync() does not help. Another process's rewrite of the
//   same size within the same millisecond ("5" -> "6") is then never seen: 181 of 200 such
//   rewrites read stale. Worse, the next write starts from the stale copy and undoes the
//   other process's change (73 of 200). So each access names the file through a descriptor
//   of its folder, /proc/self/fd/N/Lumidex.conf, and before the QSettings goes away points
//   N at /proc, where the file cannot exist: QSettings then sees an empty file and drops
//   its cache entry instead of keeping it. Every read and every write parses the file anew.
//
// - FormatError. Only a line that starts (after blanks) with '[' and has no ']' after it
//   ("[Settings", "[x=1") sets it. Lines without '=', invalid UTF-8, NUL bytes, stray "]"
//   and random bytes all parse without an error. What follows the bad line is still read,
//   but any write rewrites the file from what was parsed, so the original is kept first.
//
// - Values a person typed: "a, b" without quotes comes back as a QStringList, "@Rect(...)"
//   as a QRect, "@Variant(...)" as whatever QDataStream makes of it (often nothing).
//   Values we write are quoted and escaped by QSettings and come back unchanged.
namespace platform {

namespace {

const QString StoreFileName = QStringLiteral("Lumidex.conf");

QString StoreFolder()
{
    return QFileInfo(StoreFilePath()).absolutePath();
}

// Linux exposes open descriptors as folders under /proc/self/fd; without /proc the
// store is used by its own name and the cache hazards above remain.
bool CanNameByDescriptor()
{
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// A QSettings on the store that never reuses, and never leaves behind, a cache entry.
class FreshStore
{
public:
    // folder: an open descriptor of the store's folder, owned by this object.
    explicit FreshStore(int folder)
        : m_folder(folder), m_settings(PathFor(folder), QSettings::IniFormat)
    {
    }

    ~FreshStore()
    {
        if (m_folder < 0)
            return;
        // Point the name at a folder without the file and let QSettings look again: it
        // records an empty file, which it deletes rather than caches when we let go.
        const int nowhere = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (nowhere >= 0) {
            ::dup3(nowhere, m_folder, O_CLOEXEC);
            ::close(nowhere);
            m_settings.sync();
        }
        ::close(m_folder);
    }

    FreshStore(const FreshStore &) = delete;
    FreshStore &operator=(const FreshStore &) = delete;

    QSettings &settings() { return m_settings; }

private:
    static QString PathFor(int folder)
    {
        if (folder < 0)
            return StoreFilePath();
        return QStringLiteral("/proc/self/fd/%1/").arg(folder) + StoreFileName;
    }

    int m_folder;
    QSettings m_settings;
};

int OpenStoreFolder()
{
    if (!CanNameByDescriptor())
        return -1;
    return ::open(QFile::encodeName(StoreFolder()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// What is at the store's name: nothing, the file, or something we must leave alone
// (a folder, a device).
enum class Entry { Missing, File, Unusable };

Entry StoreEntry()
{
    struct stat info;
    if (::stat(QFile::encodeName(StoreFilePath()).constData(), &info) != 0)
        return errno == ENOENT ? Entry::Missing : Entry::Unusable;
    return S_ISREG(info.st_mode) ? Entry::File : Entry::Unusable;
}

// The stored value as text. A list a person typed without quotes reads back as written;
// anything that is not text (a rectangle, a broken variant) counts as missing.
std::optional<QString> AsText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QStringList:
        return value.toStringList().join(QStringLiteral(", "));
    case QMetaType::QVariantList: {
        QStringList parts;
        for (const QVariant &part : value.toList()) {
            const std::optional<QString> text = AsText(part);
            if (!text)
                return std::nullopt;
            parts.append(*text);
        }
        return parts.join(QStringLiteral(", "));
    }
    default:
        break;
    }
    QVariant converted = value;
    if (!converted.isValid() || !converted.convert(QMetaType::fromType<QString>()))
        return std::nullopt;
    return converted.toString();
}

// Keeps the damaged file's bytes beside it, under a name no earlier copy has taken.
bool KeepDamagedCopy()
{
    QFile damaged(StoreFilePath());
    if (!damaged.open(QIODevice::ReadOnly))
        return false;
    const QByteArray original = damaged.readAll();
    if (damaged.error() != QFileDevice::NoError)
        return false;

    const QString base = StoreFilePath() + QStringLiteral(".damaged");
    for (int number = 1; number < 10000; ++number) {
        QFile copy(number == 1 ? base : base + QLatin1Char('.') + QString::number(number));
        // NewOnly: an earlier copy, or one another process makes now, is never replaced.
        if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (copy.exists())
                continue;
            return false;
        }
        if (copy.write(original) == original.size() && copy.flush())
            return true;
        copy.remove();
        return false;
    }
    return false;
}

bool Writable(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

} // namespace

QString StoreFilePath()
{
    // QSettings fixes the folder from XDG_CONFIG_HOME once per process; so do we.
    static const QString path = QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                          QStringLiteral("Vantrel"), QStringLiteral("Lumidex"))
                                    .fileName();
    return path;
}

QString GetSetting(const QString &section, const QString &key, const QString &defaultText)
{
    if (section.isEmpty() || key.isEmpty() || StoreEntry() != Entry::File)
        return defaultText;
    const int folder = OpenStoreFolder();
    if (folder < 0 && CanNameByDescriptor())
        return defaultText;
    FreshStore store(folder);
    const QVariant value = store.settings().value(section + QLatin1Char('/') + key);
    return AsText(value).value_or(defaultText);
}

void SaveSetting(const QString &section, const QString &key, const QString &value)
{
    if (section.isEmpty() || key.isEmpty())
        return;
    const Entry entry = StoreEntry();
    if (entry == Entry::Unusable)
        return;
    // Checked here rather than left to QSettings: a write it refuses stays pending in its
    // file object and would show up in the next read as if stored.
    if (!QDir().mkpath(StoreFolder()) || !Writable(StoreFolder()) ||
        (entry == Entry::File && !Writable(StoreFilePath())))
        return;
    const int folder = OpenStoreFolder();
    if (folder < 0 && CanNameByDescriptor())
        return;
    // QSettings parses the file as it is made, unlocked; the lock it takes to write makes it
    // parse again only if size or time (whole milliseconds, set once per clock tick)
    // changed, so a same-size write by another process in between was undone: two busy
    // writers lost keys. Writers take turns on the folder from parse to rename instead, and
    // wait in the kernel rather than in QLockFile's sleeps of up to 6 s. Closing the
    // descriptor ends the turn.
    if (folder >= 0)
        ::flock(folder, LOCK_EX);

    FreshStore store(folder);
    QSettings &settings = store.settings();
    if (settings.status() == QSettings::FormatError && !KeepDamagedCopy())
        return; // rather no write than losing what did not parse
    // Always a QString: a number or bool would be stored as a typed variant.
    settings.setValue(section + QLatin1Char('/') + key, QVariant(value));
    settings.sync();
}

} // namespace platform
