#include "platform/Store.h"

#include "platform/IniText.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// The file is read and written here rather than by QSettings, which parsed it again for
// every key, cached parses by size and whole-millisecond time (so missed same-size rewrites
// by other processes), opened FIFOs and blocked, wrote through a relative link into
// nowhere, and rewrote the whole file on every write, dropping what it did not understand.
namespace platform {

namespace {

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

QString Reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A descriptor closed when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// What is at the store's name. Anything but a regular file (a FIFO, a device, a folder)
// counts as no store: opening a FIFO to read it would wait for a writer.
struct StoreContent
{
    enum { Missing, File, NotAFile, Unreadable } state = Missing;
    QByteArray bytes;
    bool cut = false; // more than LargestStoreRead: only its first whole lines are here
    mode_t mode = 0;
    int error = 0;
};

StoreContent ReadStore(const QString &path)
{
    StoreContent content;
    struct stat info = {};
    Descriptor file(OpenRegularFile(path, info));
    if (file.get() < 0) {
        content.error = errno;
        content.state = errno == ENOENT   ? StoreContent::Missing
                        : errno == EINVAL ? StoreContent::NotAFile
                                          : StoreContent::Unreadable;
        return content;
    }
    content.state = StoreContent::File;
    content.mode = info.st_mode & 07777;
    // One byte more than is kept tells a file that goes on.
    content.bytes.resize(LargestStoreRead + 1);
    qsizetype filled = 0;
    while (filled < content.bytes.size()) {
        const ssize_t got = ::read(file.get(), content.bytes.data() + filled,
                                   size_t(content.bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            content.error = errno;
            content.state = StoreContent::Unreadable;
            return content;
        }
        if (got == 0)
            break;
        filled += got;
    }
    content.bytes.truncate(filled);
    if (filled > LargestStoreRead) {
        content.cut = true;
        const qsizetype lastBreak = content.bytes.lastIndexOf('\n', LargestStoreRead - 1);
        content.bytes.truncate(lastBreak + 1);
    }
    return content;
}

IniText ReadIni()
{
    const StoreContent content = ReadStore(StoreFilePath());
    return IniText(content.state == StoreContent::File ? content.bytes : QByteArray());
}

// The parse the reads of a StoreReading share.
int readingDepth = 0;
std::optional<IniText> sharedReading;

// The file a write must replace: the one the store's name leads to through any links,
// which stay links.
QString WriteTarget()
{
    QString path = StoreFilePath();
    for (int hop = 0; hop < 40; ++hop) {
        const QFileInfo info(path);
        if (!info.isSymLink())
            return path;
        path = info.symLinkTarget();
    }
    return path;
}

std::optional<QString> MakeFolders(const QString &folder)
{
    QString made;
    for (const QString &part : folder.split(u'/', Qt::SkipEmptyParts)) {
        made += u'/' + part;
        if (::mkdir(Native(made).constData(), 0777) != 0 && errno != EEXIST)
            return Reason(errno);
    }
    struct stat info;
    if (::stat(Native(folder).constData(), &info) != 0)
        return Reason(errno);
    if (!S_ISDIR(info.st_mode))
        return Reason(ENOTDIR);
    return std::nullopt;
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A file made beside its place and put there in one step, so that a reader sees the old
// file or the new one, never a part. Until then it has a name of its own, which goes with
// this object: a failed write leaves nothing behind.
class NewFile
{
public:
    // A new file with the bytes.
    NewFile(const QString &place, const QByteArray &bytes, mode_t mode)
        : m_place(Native(place)), m_name(m_place + ".XXXXXX")
    {
        Descriptor file(::mkostemp(m_name.data(), O_CLOEXEC));
        if (file.get() < 0) {
            m_name.clear();
            m_failure = Reason(errno);
            return;
        }
        int error = 0;
        for (qsizetype written = 0; written < bytes.size() && !error;) {
            const ssize_t put =
                ::write(file.get(), bytes.constData() + written, size_t(bytes.size() - written));
            if (put < 0 && errno != EINTR)
                error = errno;
            else if (put > 0)
                written += put;
        }
        if (!error && (::fchmod(file.get(), mode) != 0 || ::fsync(file.get()) != 0))
            error = errno;
        if (!error && ::close(file.release()) != 0)
            error = errno;
        if (error)
            m_failure = Reason(error);
    }

    // A second name for the file at `existing`, which costs no space: a full disk is no
    // obstacle. Where the file system has no such names, a copy of its bytes.
    static std::unique_ptr<NewFile> SameAs(const QString &place, const QString &existing,
                                           mode_t mode)
    {
        const QByteArray name = Native(place) + ".new";
        ::unlink(name.constData());
        if (::link(Native(existing).constData(), name.constData()) == 0)
            return std::unique_ptr<NewFile>(new NewFile(Native(place), name));
        QFile original(existing);
        if (!original.open(QIODevice::ReadOnly))
            return std::unique_ptr<NewFile>(new NewFile(original.errorString()));
        const QByteArray bytes = original.readAll();
        if (original.error() != QFileDevice::NoError)
            return std::unique_ptr<NewFile>(new NewFile(original.errorString()));
        return std::make_unique<NewFile>(place, bytes, mode);
    }

    ~NewFile()
    {
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }

    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;

    const std::optional<QString> &failure() const { return m_failure; }

    std::optional<QString> PutInPlace()
    {
        if (m_failure)
            return m_failure;
        if (::rename(m_name.constData(), m_place.constData()) != 0)
            return Reason(errno);
        m_name.clear();
        return std::nullopt;
    }

private:
    NewFile(QByteArray place, QByteArray name) : m_place(std::move(place)), m_name(std::move(name))
    {
    }
    explicit NewFile(QString failure) : m_failure(std::move(failure)) {}

    QByteArray m_place;
    QByteArray m_name; // empty once in place, or when never made
    std::optional<QString> m_failure;
};

} // namespace

StoreReading::StoreReading()
{
    ++readingDepth;
}

StoreReading::~StoreReading()
{
    if (--readingDepth == 0)
        sharedReading.reset();
}

QString StoreFilePath()
{
    // Fixed from XDG_CONFIG_HOME once per process, where QSettings kept it too.
    static const QString path =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/Vantrel/Lumidex.conf");
    return path;
}

QString GetSetting(const QString &section, const QString &key, const QString &defaultText)
{
    if (section.isEmpty() || key.isEmpty())
        return defaultText;
    if (readingDepth == 0)
        return ReadIni().Text(section, key).value_or(defaultText);
    if (!sharedReading)
        sharedReading = ReadIni();
    return sharedReading->Text(section, key).value_or(defaultText);
}

std::optional<QString> SaveSetting(const QString &section, const QString &key, const QString &value)
{
    sharedReading.reset();
    if (section.isEmpty() || key.isEmpty())
        return std::nullopt;
    const QString target = WriteTarget();
    const QString folder = QFileInfo(target).absolutePath();
    if (const std::optional<QString> failure = MakeFolders(folder))
        return failure;
    // Writers take turns from reading the file to replacing it, or one would undo the
    // other's keys. The lock is on the folder, which stays while files are replaced;
    // closing the descriptor ends the turn.
    const Descriptor folderLock(
        ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderLock.get() < 0)
        return Reason(errno);
    ::flock(folderLock.get(), LOCK_EX);

    const StoreContent content = ReadStore(target);
    if (content.state == StoreContent::NotAFile)
        return QStringLiteral("%1 is not a regular file").arg(target);
    if (content.state == StoreContent::Unreadable)
        return Reason(content.error);
    const bool exists = content.state == StoreContent::File;
    // Replacing the file would get round its own read-only mode.
    if (exists && ::access(Native(target).constData(), W_OK) != 0)
        return Reason(errno);

    IniText text(content.bytes);
    if (text.Text(section, key) == TextUpToNul(value))
        return std::nullopt;
    const bool losesWhatItHeld = text.Set(section, key, value) || content.cut;

    const mode_t mode = exists ? content.mode : NewFileMode();
    // What the rewrite would lose is kept first, as Lumidex.conf.damaged (replacing an
    // earlier copy), but only once the new file is written in full: a failure leaves
    // everything as it was.
    std::unique_ptr<NewFile> copy;
    if (exists && losesWhatItHeld) {
        copy = NewFile::SameAs(target + QStringLiteral(".damaged"), target, mode);
        if (copy->failure())
            return copy->failure();
    }
    NewFile store(target, text.bytes(), mode);
    if (store.failure())
        return store.failure();
    if (copy)
        if (const std::optional<QString> failure = copy->PutInPlace())
            return failure;
    return store.PutInPlace();
}

} // namespace platform
