#pragma once

#include <QByteArrayView>
#include <QString>

// The outcome of a write; `reason` says in French what went wrong, for the user.
struct SaveResult {
    bool ok = true;
    QString reason;

    static SaveResult failure(const QString &reason) { return {false, reason}; }
    explicit operator bool() const { return ok; }
};

// The reason for a failed file operation, in French, from its errno value.
QString systemErrorText(int error);

// Makes a folder and the folders above it that are missing; fails where a file is in the way.
SaveResult makeFolder(const QString &path);

// Replaces the file at `path` by `bytes`, whole or not at all. The bytes go to a temporary file
// beside it, which is written, flushed to disk and closed, each step checked, then renamed over
// the old file. On any failure the old file is left as it was and the temporary file removed.
SaveResult saveWhole(const QString &path, QByteArrayView bytes);

// Whether `fileName` is a temporary file that saveWhole() made for the file `target` (a name
// in the same folder): a hidden name no person would give a file, with a random tail.
bool isSaveTemporary(QStringView fileName, const QString &target);
