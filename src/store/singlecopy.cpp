#include "singlecopy.h"

#include "savefile.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

SingleCopy::SingleCopy(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder.endsWith(u'/') ? folder : folder + u'/')
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &SingleCopy::folderChanged);
}

namespace {
bool sameFile(int fd, const QByteArray &path)
{
    struct stat open, named;
    return ::fstat(fd, &open) == 0 && ::stat(path.constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

// The file at `path` opened and locked, or -1 with errno set (EWOULDBLOCK: another holds it).
int lockFile(const QString &name)
{
    const QByteArray path = QFile::encodeName(name);
    // A file removed between its opening and its locking was another copy's, going away: again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        const int refused = errno;
        if (fd < 0 && (errno == EACCES || errno == EROFS))
            fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC); // a lock needs no write access
        if (fd < 0) {
            // No file to lock in a folder that refuses a new one: the refusal is the cause.
            if (errno == ENOENT)
                errno = refused;
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        if (sameFile(fd, path))
            return fd;
        ::close(fd);
    }
    errno = EWOULDBLOCK;
    return -1;
}

// Whether a process holds the lock on an existing file (a copy of an earlier version locked the
// data folder's own file); the file is neither made nor written.
bool heldThere(const QString &name)
{
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

void release(int &fd, const QString &path)
{
    if (fd < 0)
        return;
    // Removed while still held, so that no later start can lock the file being removed.
    QFile::remove(path);
    ::close(fd);
    fd = -1;
}

// The session's own folder for runtime files ($XDG_RUNTIME_DIR), else one of this user's in
// the temporary folder, made private; none where neither can be had.
QString runtimeFolder()
{
    const QString session = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder =
        QDir::isAbsolutePath(session) && QFileInfo(session).isDir()
            ? session + QStringLiteral("/rappelix")
            : QDir::tempPath() + QStringLiteral("/rappelix-") + QString::number(::getuid());
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700);
    struct stat info;
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return QString();
    return folder + u'/';
}
} // namespace

QString SingleCopy::runtimePath(const char *suffix)
{
    // Named after the folder itself, whatever links lead to it; fixed once found.
    if (m_runtimeKey.isEmpty()) {
        const QString canonical = QFileInfo(m_folder).canonicalFilePath();
        const QString key =
            canonical.isEmpty() ? QDir::cleanPath(QFileInfo(m_folder).absoluteFilePath()) : canonical;
        m_runtimeKey = QString::fromLatin1(
            QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
    }
    const QString folder = runtimeFolder();
    return folder.isEmpty() ? QString() : folder + m_runtimeKey + QLatin1String(suffix);
}

SaveResult SingleCopy::lock()
{
    m_heldByOther = false;
    // The lock lives among the session's runtime files, so that the data folder, which a sync
    // engine may share with other computers, changes only when the notes do.
    const QString runtimeLock = runtimePath(".lock");
    if (m_runtimeFd < 0 && !runtimeLock.isEmpty()) {
        m_runtimeFd = lockFile(runtimeLock);
        m_heldByOther = m_runtimeFd < 0 && errno == EWOULDBLOCK;
        if (m_heldByOther)
            return SaveResult::failure(SaveResult::Step::HeldByOther, EWOULDBLOCK, runtimeLock);
    }
    if (m_runtimeFd >= 0) {
        m_heldByOther = heldThere(lockPath());
        qCDebug(lcStore) << "guard: runtime lock" << runtimeLock << "held"
                         << (m_heldByOther ? "; the folder's lock is another copy's" : "");
        if (!m_heldByOther)
            return {};
        release(m_runtimeFd, runtimeLock);
        return SaveResult::failure(SaveResult::Step::HeldByOther, EWOULDBLOCK, lockPath());
    }
    // No runtime folder to be had: the data folder holds the lock.
    if (SaveResult made = makeFolder(m_folder); !made)
        return made;
    m_fd = lockFile(lockPath());
    const int error = errno;
    qCDebug(lcStore) << "guard: folder lock" << lockPath() << (m_fd >= 0 ? "held" : std::strerror(error));
    if (m_fd >= 0)
        return {};
    m_heldByOther = error == EWOULDBLOCK;
    if (m_heldByOther)
        return SaveResult::failure(SaveResult::Step::HeldByOther, error, lockPath());
    // No lock on this file system at all: writing anyway beats never writing.
    if (error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS) {
        m_unguarded = true;
        return {};
    }
    return SaveResult::failure(SaveResult::Step::Lock, error, lockPath());
}

bool SingleCopy::stillHeld()
{
    // A lock whose file or folder went guards nothing any more.
    for (auto [fd, path] : {std::pair{&m_runtimeFd, runtimePath(".lock")}, std::pair{&m_fd, lockPath()}}) {
        if (*fd < 0)
            continue;
        if (!path.isEmpty() && sameFile(*fd, QFile::encodeName(path)))
            return true;
        ::close(*fd);
        *fd = -1;
    }
    return m_unguarded;
}

SingleCopy::~SingleCopy()
{
    release(m_fd, lockPath());
    release(m_runtimeFd, runtimePath(".lock"));
}

SaveResult SingleCopy::ensureHeld()
{
    if (stillHeld())
        return {};
    SaveResult result = lock();
    if (result)
        watch();
    return result;
}

SingleCopy::Start SingleCopy::start(int waitMs)
{
    if (ensureHeld()) {
        // A request left before this copy held the guard is answered too, once the caller has
        // had a chance to connect to restoreRequested.
        QTimer::singleShot(0, this, &SingleCopy::takeRequest);
        return Start::Run;
    }
    // Where no copy can hold a guard, none can write either: this one runs, and its writes
    // try the guard again (see ensureHeld).
    if (!heldByOther())
        return Start::Run;
    qCDebug(lcStore) << "guard: held by another copy; asking it to show its window";
    // Beside the running copy's lock, else in the data folder.
    QString asked = requestPath();
    for (const QString &path : {runtimePath(".restaurer"), requestPath()}) {
        QFile request(asked = path);
        if (!path.isEmpty() && request.open(QIODevice::WriteOnly) &&
            request.write("restaurer_fenetre\n") > 0 && request.flush())
            break;
    }
    qCDebug(lcStore) << "guard: request left in" << asked;
    const QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        QThread::msleep(20);
        if (!QFileInfo::exists(asked))
            return Start::Forwarded;
        // The running copy ended meanwhile: this one takes over, and is shown anyway.
        if (ensureHeld()) {
            QFile::remove(asked);
            return Start::Run;
        }
    }
    return Start::NoAnswer;
}

void SingleCopy::watch()
{
    // Requests come beside the lock held: among the runtime files, or in the data folder.
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    QStringList folders;
    if (const QString runtime = runtimePath(""); m_runtimeFd >= 0 && !runtime.isEmpty())
        folders << QFileInfo(runtime).absolutePath();
    else
        folders << m_folder;
    // With the system's watches used up, a look every second serves instead.
    if (m_watcher.addPaths(folders).isEmpty() || m_poll)
        return;
    m_poll = new QTimer(this);
    connect(m_poll, &QTimer::timeout, this, &SingleCopy::folderChanged);
    m_poll->start(1000);
}

void SingleCopy::folderChanged()
{
    ensureHeld(); // a lock whose file went is taken again
    takeRequest();
}

void SingleCopy::takeRequest()
{
    const QString other = runtimePath(".restaurer");
    const bool asked = QFile::remove(requestPath());
    if ((!other.isEmpty() && QFile::remove(other)) || asked)
        emit restoreRequested();
}
