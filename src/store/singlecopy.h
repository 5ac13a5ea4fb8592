#pragma once

#include "store/savefile.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// One running copy per data folder, so that two copies never overwrite each other's notes.
// The guard is a lock the operating system holds on an open file and drops when its process
// ends, whatever the file contains: a file named after the folder among the session's runtime
// files, so that nothing of it is in the data folder, which a sync engine may share; only where
// no runtime folder can be had, "rappelix.lock" in the data folder. A "rappelix.lock" there that
// a running copy holds keeps this one out too. A later start that finds the guard held leaves
// a request file for the running copy (beside its lock), which brings its main window back and
// removes the file; the later start waits for that, or for the guard to come free.
class SingleCopy : public QObject {
    Q_OBJECT
public:
    explicit SingleCopy(const QString &folder, QObject *parent = nullptr);
    ~SingleCopy() override;

    enum class Start {
        Run,       // this copy runs: it holds the guard, or no copy can hold one here
        Forwarded, // the running copy took the request to come forward
        NoAnswer,  // a copy holds the guard but did not take the request in time
    };
    Start start(int waitMs = 5000);

    // True when this copy holds the guard now. A guard lost with its file or its folder is taken
    // again, the folder made anew if need be; the reason says why it cannot be.
    SaveResult ensureHeld();

    // The folder's file system cannot lock (NFS without its lock service): this copy writes
    // anyway, and cannot keep another out.
    bool unguarded() const { return m_unguarded; }

    QString lockPath() const { return m_folder + QStringLiteral("rappelix.lock"); }
    QString requestPath() const { return m_folder + QStringLiteral("rappelix.restaurer"); }
    // Where the guard's second lock and a request that the data folder cannot hold go.
    QString runtimePath(const char *suffix);

signals:
    void restoreRequested(); // a later start asked for the main window

private:
    SaveResult lock();
    bool stillHeld(); // lets go of a lock whose file or folder went
    bool heldByOther() const { return m_heldByOther; }
    void folderChanged();
    void takeRequest();
    void watch();

    QString m_folder; // ends with '/'
    QString m_runtimeKey;
    QFileSystemWatcher m_watcher;
    QTimer *m_poll = nullptr; // instead of the watch, where the system has no watch left
    bool m_heldByOther = false;
    bool m_unguarded = false;
    int m_fd = -1; // the data folder's lock, where no runtime folder can be had
    int m_runtimeFd = -1;
};
