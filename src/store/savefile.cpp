#include "savefile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <stdio.h> // renameat2
#include <sys/stat.h>
#include <unistd.h>

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
    if (::mkdir(QFile::encodeName(info.absoluteFilePath()).constData(), 0777) != 0 && errno != EEXIST)
        return SaveResult::failure(SaveResult::Step::MakeFolder, errno, info.absoluteFilePath());
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

FileStamp FileStamp::of(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true,
            qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec,
            quint64(st.st_ino),
            quint64(st.st_dev)};
}

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

namespace {
bool unsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

// Puts `tmp` in place of `target` only over the version `expected` names. Where the system can,
// the two names are swapped in one step, which leaves the replaced file in hand to look at: if
// another program put its own version there meanwhile, the swap is undone. Elsewhere the file is
// looked at just before the rename.
SaveResult replaceExpected(const QByteArray &tmp, const QByteArray &target, const FileStamp &expected,
                           const QString &path)
{
    const QString tmpName = QFile::decodeName(tmp);
    const FileStamp ours = FileStamp::of(tmpName);
    auto failed = [&](SaveResult::Step step, int error) {
        ::unlink(tmp.constData()); // still ours
        return SaveResult::failure(step, error, path);
    };
    if (FileStamp::of(path) != expected)
        return failed(SaveResult::Step::Changed, 0);
    const unsigned flags = expected.exists ? RENAME_EXCHANGE : RENAME_NOREPLACE;
    if (::renameat2(AT_FDCWD, tmp.constData(), AT_FDCWD, target.constData(), flags) != 0) {
        const int error = errno;
        if (unsupported(error))
            return ::rename(tmp.constData(), target.constData()) == 0
                       ? SaveResult{}
                       : failed(SaveResult::Step::Replace, errno);
        // Gone, or made, since the look just above: another program's doing.
        if (error == ENOENT || error == EEXIST)
            return failed(SaveResult::Step::Changed, 0);
        return failed(SaveResult::Step::Replace, error);
    }
    if (!expected.exists || FileStamp::of(tmpName).sameFile(expected)) {
        ::unlink(tmp.constData()); // the version replaced, as expected
        return {};
    }
    qCDebug(lcStore) << "write: another program replaced" << path << "during the write; put back";
    // Ours is back under the temporary name, unless yet another version came between the two
    // swaps: that one is then left there, a whole version the next start keeps.
    if (::renameat2(AT_FDCWD, tmp.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) == 0 &&
        FileStamp::of(tmpName).sameFile(ours))
        ::unlink(tmp.constData());
    else
        qCWarning(lcStore) << "write: a version of" << path << "left as" << tmpName;
    return SaveResult::failure(SaveResult::Step::Changed, 0, path);
}
} // namespace

SaveResult saveWhole(const QString &link, QByteArrayView bytes, const FileStamp *expected)
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
    if (expected) {
        // From here the temporary file is replaceExpected()'s to remove.
        if (const SaveResult replaced = replaceExpected(tmp, target, *expected, path); !replaced)
            return replaced;
    } else if (::rename(tmp.constData(), target.constData()) != 0) {
        return fail(SaveResult::Step::Replace, errno);
    }
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
