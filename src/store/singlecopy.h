#pragma once

#include "store/savefile.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#ifdef Q_OS_WIN
#include <QLockFile>
#include <memory>
#endif

// One running copy per data folder, so that two copies never overwrite each other's notes.
// The guard is a lock the operating system holds on the open file "rappelix.lock" and drops
// when its process ends, whatever the file contains. A later start that finds the guard held
// leaves a request file for the running copy, which brings its main window back and removes
// the file; the later start waits for that, or for the guard to come free.
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

    QString lockPath() const { return m_folder + QStringLiteral("rappelix.lock"); }
    QString requestPath() const { return m_folder + QStringLiteral("rappelix.restaurer"); }

signals:
    void restoreRequested(); // a later start asked for the main window
    void folderRemade();     // the data folder was removed while running and is back, empty

private:
    SaveResult lock();
    bool stillHeld(); // lets go of a lock whose file or folder went
    bool heldByOther() const { return m_heldByOther; }
    void folderChanged();
    void takeRequest();
    void watch();

    QString m_folder; // ends with '/'
    QFileSystemWatcher m_watcher;
    bool m_heldByOther = false;
#ifdef Q_OS_WIN
    std::unique_ptr<QLockFile> m_lock;
#else
    int m_fd = -1;
#endif
};
