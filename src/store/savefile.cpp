#include "savefile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <QSaveFile>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcStore, "rappelix.store", QtInfoMsg)

namespace {

constexpr QLatin1StringView kTemporaryMark(".rappelix-tmp-");
constexpr int kTailLength = 16;

QString temporaryName(const QString &target)
{
    return u'.' + target + kTemporaryMark +
           QString::number(QRandomGenerator::global()->generate64(), 16).rightJustified(kTailLength, u'0');
}

} // namespace

SaveResult removeFile(const QString &path)
{
    if (std::remove(QFile::encodeName(path).constData()) == 0 || errno == ENOENT)
        return {};
    return SaveResult::failure(SaveResult::Step::Remove, errno, path);
}

SaveResult makeFolder(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return {};
    if (info.exists())
        return SaveResult::failure(SaveResult::Step::MakeFolder, EEXIST, info.absoluteFilePath());
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath())
        if (SaveResult made = makeFolder(parent); !made)
            return made;
#ifdef Q_OS_WIN
    if (!QDir().mkdir(info.absoluteFilePath()))
        return SaveResult::failure(SaveResult::Step::MakeFolder, EACCES, info.absoluteFilePath());
#else
    if (::mkdir(QFile::encodeName(info.absoluteFilePath()).constData(), 0777) != 0 && errno != EEXIST)
        return SaveResult::failure(SaveResult::Step::MakeFolder, errno, info.absoluteFilePath());
#endif
    return {};
}

bool isSaveTemporary(QStringView fileName, const QString &target)
{
    const qsizetype head = 1 + target.size() + kTemporaryMark.size();
    if (fileName.size() != head + kTailLength || !fileName.startsWith(u'.') ||
        fileName.mid(1, target.size()) != target ||
        fileName.mid(1 + target.size(), kTemporaryMark.size()) != kTemporaryMark)
        return false;
    const QStringView tail = fileName.right(kTailLength);
    return std::all_of(tail.begin(), tail.end(),
                       [](QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'); });
}

#ifdef Q_OS_WIN

SaveResult saveWhole(const QString &path, QByteArrayView bytes)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    // Unbuffered, so that a failing write is seen by the write itself and not lost in a flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(bytes.data(), bytes.size()) != bytes.size() || !file.commit())
        return SaveResult::failure(SaveResult::Step::Write, EIO, path); // QSaveFile tells no error code
    return {};
}

#else

namespace {
// The file a chain of symbolic links ends at (dangling or not): a link stays a link, and the
// file it names gets the new content.
QString linkTarget(const QString &path)
{
    QString file = path;
    for (int hops = 0; hops < 40 && QFileInfo(file).isSymLink(); ++hops)
        file = QFileInfo(file).symLinkTarget();
    return file;
}
} // namespace

SaveResult saveWhole(const QString &link, QByteArrayView bytes)
{
    const QString path = linkTarget(link);
    const QFileInfo info(path);
    qCDebug(lcStore) << "write:" << bytes.size() << "bytes to" << path;
    if (path != link)
        qCDebug(lcStore) << "write: through the link" << link;
    const QString temporary = info.dir().filePath(temporaryName(info.fileName()));
    const QByteArray tmp = QFile::encodeName(temporary);
    const QByteArray target = QFile::encodeName(path);

    struct stat old;
    const bool existed = ::stat(target.constData(), &old) == 0;
    // A file the user made read-only is not replaced, though the folder would allow it.
    if (existed && S_ISREG(old.st_mode) &&
        ((old.st_mode & 0222) == 0 || ::access(target.constData(), W_OK) != 0))
        return SaveResult::failure(SaveResult::Step::ReadOnly, EACCES, path);

    // Where the file system allows it, the temporary file has no name until it is complete,
    // so that a write killed half-way leaves nothing behind (it is named through /proc).
    bool unnamed = ::access("/proc/self/fd", X_OK) == 0;
    int fd = unnamed ? ::open(QFile::encodeName(info.absolutePath()).constData(),
                              O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666)
                     : -1;
    if (fd < 0) {
        unnamed = false;
        fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd < 0)
        return SaveResult::failure(SaveResult::Step::Temporary, errno,
                                   errno == EEXIST ? temporary : info.absolutePath());
    // Whatever goes wrong from here, the temporary file is ours to remove.
    qCDebug(lcStore) << "write: temporary file" << (unnamed ? "without a name" : temporary);
    auto fail = [&](SaveResult::Step step, int error) {
        qCDebug(lcStore) << "write: failed at step" << int(step) << std::strerror(error);
        if (fd >= 0)
            ::close(fd);
        if (!unnamed)
            ::unlink(tmp.constData());
        return SaveResult::failure(step, error, path);
    };
    // The new file keeps the old one's permissions.
    if (existed)
        ::fchmod(fd, old.st_mode & 07777);
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(SaveResult::Step::Write, errno);
        }
        data += n;
        left -= n;
    }
    if (::fsync(fd) != 0)
        return fail(SaveResult::Step::Write, errno);
    qCDebug(lcStore) << "write: written and flushed to disk";
    if (unnamed) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, tmp.constData(), AT_SYMLINK_FOLLOW) != 0)
            return fail(SaveResult::Step::Replace, errno);
        unnamed = false;
    }
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return fail(SaveResult::Step::Write, errno);
    if (::rename(tmp.constData(), target.constData()) != 0)
        return fail(SaveResult::Step::Replace, errno);
    qCDebug(lcStore) << "write: renamed over" << path;
    // The rename itself reaches the disk with the folder; some file systems cannot say so.
    const int dir =
        ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

#endif
