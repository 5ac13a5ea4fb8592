#include "singlecopy.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <cerrno>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
QString otherCopy()
{
    return QStringLiteral("une autre copie de Rappelix utilise déjà ce dossier");
}
} // namespace

SingleCopy::SingleCopy(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder.endsWith(u'/') ? folder : folder + u'/')
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &SingleCopy::folderChanged);
}

SingleCopy::~SingleCopy()
{
#ifdef Q_OS_WIN
    m_lock.reset();
#else
    if (m_fd >= 0) {
        // Removed while still held, so that no later start can lock the file being removed.
        QFile::remove(lockPath());
        ::close(m_fd);
    }
#endif
}

#ifdef Q_OS_WIN

SaveResult SingleCopy::lock()
{
    m_heldByOther = false;
    m_lock = std::make_unique<QLockFile>(lockPath());
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return {};
    m_heldByOther = m_lock->error() == QLockFile::LockFailedError;
    m_lock.reset();
    return SaveResult::failure(m_heldByOther ? otherCopy()
                                             : QStringLiteral("le verrou ne peut pas être posé"));
}

bool SingleCopy::stillHeld()
{
    return m_lock && QFileInfo::exists(lockPath());
}

#else

namespace {
bool sameFile(int fd, const QByteArray &path)
{
    struct stat open, named;
    return ::fstat(fd, &open) == 0 && ::stat(path.constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}
} // namespace

SaveResult SingleCopy::lock()
{
    m_heldByOther = false;
    const QByteArray path = QFile::encodeName(lockPath());
    // A file removed between its opening and its locking was another copy's, going away: again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0 && (errno == EACCES || errno == EROFS))
            fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC); // a lock needs no write access
        if (fd < 0)
            return SaveResult::failure(systemErrorText(errno));
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            m_heldByOther = error == EWOULDBLOCK;
            return SaveResult::failure(m_heldByOther ? otherCopy() : systemErrorText(error));
        }
        if (sameFile(fd, path)) {
            m_fd = fd;
            return {};
        }
        ::close(fd);
    }
    return SaveResult::failure(otherCopy());
}

bool SingleCopy::stillHeld()
{
    if (m_fd < 0)
        return false;
    if (sameFile(m_fd, QFile::encodeName(lockPath())))
        return true;
    // The file or the folder went: this lock guards nothing any more.
    ::close(m_fd);
    m_fd = -1;
    return false;
}

#endif

SaveResult SingleCopy::ensureHeld()
{
    if (stillHeld())
        return {};
    SaveResult result = makeFolder(m_folder);
    if (result)
        result = lock();
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
    QFile request(requestPath());
    if (request.open(QIODevice::WriteOnly))
        request.write("restaurer_fenetre\n");
    request.close();
    const QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        QThread::msleep(20);
        if (!QFileInfo::exists(requestPath()))
            return Start::Forwarded;
        // The running copy ended meanwhile: this one takes over, and is shown anyway.
        if (ensureHeld()) {
            QFile::remove(requestPath());
            return Start::Run;
        }
    }
    return Start::NoAnswer;
}

void SingleCopy::watch()
{
    // A folder made anew is another folder: the watch on the one removed went with it. The
    // folder above tells when this one is removed or renamed away.
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_watcher.addPaths({m_folder, QFileInfo(QDir::cleanPath(m_folder)).absolutePath()});
}

void SingleCopy::folderChanged()
{
    // Removed under the running copy, the folder comes back at once, with the guard, so that
    // a later start does not run beside this copy. The notes are written again by the caller.
    const bool remade = !QFileInfo(m_folder).isDir();
    if (ensureHeld() && remade)
        emit folderRemade();
    takeRequest();
}

void SingleCopy::takeRequest()
{
    // Every write of the notes also changes the folder; only the request file counts.
    if (QFile::remove(requestPath()))
        emit restoreRequested();
}
