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

// Replaces the file at `path` by `bytes`, whole or not at all. The bytes go to a temporary file
// beside it, which is written, flushed to disk and closed, each step checked, then renamed over
// the old file. On any failure the old file is left as it was and the temporary file removed.
SaveResult saveWhole(const QString &path, QByteArrayView bytes);

// Whether `fileName` is a temporary file that saveWhole() made for the file `target` (a name
// in the same folder): a hidden name no person would give a file, with a random tail.
bool isSaveTemporary(QStringView fileName, const QString &target);
