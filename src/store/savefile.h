#pragma once

#include <QByteArrayView>
#include <QLoggingCategory>
#include <QString>

// Each step of a write and of the single-copy guard, for a bug report:
// QT_LOGGING_RULES="rappelix.store.debug=true". Off by default.
Q_DECLARE_LOGGING_CATEGORY(lcStore)

// The outcome of a file operation: on failure, the step that failed, the system's error code
// (errno) and the path it failed on. The windows make the user's sentence of it.
struct SaveResult {
    enum class Step {
        None,
        MakeFolder,  // making the folder (EEXIST: a file has its name)
        Temporary,   // making the temporary file in the target's folder (the path)
        Write,       // writing and flushing the new content
        Replace,     // naming it and renaming it over the target
        ReadOnly,    // the target is read-only: it is not replaced
        KeepAside,   // an unreadable file could not be kept aside before being replaced
        Lock,        // locking the data folder
        HeldByOther, // another copy holds the data folder
        Remove,      // removing a file
        Changed,     // another program changed the file since it was read: merged, not overwritten
        Unfinished,  // the disk did not finish the write in the time given
    };
    bool ok = true;
    Step step = Step::None;
    int error = 0;
    QString path;

    static SaveResult failure(Step step, int error, const QString &path)
    {
        return {false, step, error, path};
    }
    explicit operator bool() const { return ok; }
};

// Removes the file at `path`; one already gone counts as removed.
SaveResult removeFile(const QString &path);

// Makes a folder and the folders above it that are missing; fails where a file is in the way.
SaveResult makeFolder(const QString &path);

// What identifies a file's content on disk without reading it: a change of any of these means
// it may have been written since. The change time catches a rewrite that put its size and
// modification time back.
struct FileStamp {
    bool exists = false;
    qint64 size = 0;
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;
    quint64 inode = 0;
    quint64 device = 0;

    static FileStamp of(const QString &path);
    // The same file with the same content as far as its inode tells, whatever its change time
    // (a rename changes that).
    bool sameFile(const FileStamp &o) const
    {
        return exists == o.exists && size == o.size && mtimeNs == o.mtimeNs && inode == o.inode &&
               device == o.device;
    }
    bool operator==(const FileStamp &) const = default;
};

// Replaces the file at `path` by `bytes`, whole or not at all. The bytes go to a temporary file
// beside it, which is written, flushed to disk and closed, each step checked, then renamed over
// the old file. On any failure the old file is left as it was and the temporary file removed.
// With `expected`, the file replaced must still be that one, up to and including the rename:
// another program's version put there meanwhile is left in place (Step::Changed).
SaveResult saveWhole(const QString &path, QByteArrayView bytes, const FileStamp *expected = nullptr);

// Whether `fileName` is a temporary file that saveWhole() made for the file `target` (a name
// in the same folder): a hidden name no person would give a file, with a random tail.
bool isSaveTemporary(QStringView fileName, const QString &target);
