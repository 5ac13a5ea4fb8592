#pragma once

#include "store/clock.h"
#include "store/notesfile.h"
#include "store/notesmerge.h"
#include "store/noteswriter.h"
#include "store/singlecopy.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>

class NoteTable;
class QThread;

// A merge as the table takes it, built off the window's thread.
struct MergedRows {
    QList<NoteTable::Row5> rows; // the table's rows after, the header first; column 3 goes along
    QList<int> newRow;           // a row before -> its row after, 0: gone
    QList<int> reloaded;         // rows after that took another version of their note
    bool none = false;           // no note left: its one row is the placeholder row
};

// The notes file of a folder that other programs share (a sync engine, another computer). The
// table is written on a thread of its own; the folder is watched, and what comes from outside (a
// new planifs.txt, a sync engine's conflict copy) is merged with the table once it has stopped
// changing. The table itself changes only through merged(), which its owner applies to the rows
// and to their windows.
class NotesStore : public QObject {
    Q_OBJECT
public:
    // `unsaved` is the owner's flag of changes not yet written: set when a write fails or a
    // merge brings something the file lacks, cleared by save().
    NotesStore(NoteTable &table, bool &unsaved, const Clock &clock);
    ~NotesStore() override;

    NotesFile file;
    SingleCopy *guard = nullptr; // none where no single copy runs (tests)
    // Rows that no merge removes, whatever the other side did: a note whose window is open.
    std::function<bool(int row)> keepRow;

    // Writes the whole table: what came from outside is merged first, then the bytes go to the
    // writer thread, unless the file holds them already. The result here is the guard's and the
    // checks'; the write's own comes back later.
    SaveResult save();
    // Waits for the writes handed over so far, until the deadline; the failure of the last one,
    // or that they did not end in time.
    SaveResult flushWrites(QDeadlineTimer deadline);
    // The end of the run: the table written, anything merged meanwhile too, and waited for; a
    // write still under way at the deadline is left to end with the process.
    SaveResult saveAndWait(QDeadlineTimer deadline);

    // From now on, notices when another program changes the file loaded or leaves a conflict
    // copy beside it.
    void watchFile();
    // Looks at the folder now. A version from outside is read and merged on a thread of its
    // own, then applied here. `settled`: takes a changed file as it is, without waiting for it
    // to stop changing, and merges it before returning.
    void checkDisk(bool settled = false);
    void takeWrites();
    NotesWriter &writer() { return m_writer; }

    // A sync engine's copy of planifs.txt from a conflict (Syncthing, Nextcloud, ownCloud,
    // Dropbox).
    static bool isConflictCopy(const QString &fileName);
    // How long a changed file must stay still before it is read.
    static constexpr int kSettleMs = 1000;

signals:
    void writeFailed(const SaveResult &result); // once, and again only after a write has worked
    void merged(const MergedRows &rows);        // the table takes these rows
    void keptBoth(int notes, const QString &copy);
    void copiesMerged(const QStringList &copies); // conflict copies whose notes are in the list now

private:
    struct Seen { // a changed file, until it has been still long enough
        FileStamp stamp;
        QElapsedTimer still;
    };
    struct Outside;
    bool settledNow(const QString &path, const FileStamp &now);
    bool followFolder(bool now);
    void startMerge(const QString &path, const FileStamp &stamp, bool whole, bool takeCut, bool here);
    void finishMerge(bool settled);
    void afterMerge();
    void apply(const Outside &outside);
    void mergeCopies(bool settled);
    void setCopiesAside();
    void noteResult(const SaveResult &result);
    void rewatch(quint64 inode);

    NoteTable &m_table;
    bool &m_unsaved;
    bool m_lastWriteFailed = false;
    SaveResult m_lastResult;

    NotesWriter m_writer;
    QList<notesmerge::Record> m_base; // the last version known to come from outside
    QSet<notesmerge::Record> m_baseKeys;
    QSet<notesmerge::Record> m_own; // records written here or in earlier bases that the base lacks
    QByteArray m_disk;              // the file's bytes as last read or written here
    FileStamp m_known;              // the file on disk as last read or written here
    QByteArray m_lastSubmitted;     // what the file holds once the writes handed over end
    bool m_outstanding = false;     // writes handed over whose results are not in
    QList<std::pair<QString, QByteArray>> m_copies; // copies of theirs still to make
    QHash<QString, Seen> m_seen;                    // changed files waiting to settle
    QHash<QString, FileStamp> m_merged;             // conflict copies merged, to set aside
    QElapsedTimer m_folderGone;                     // running while the data folder is missing
    bool m_watching = false;
    quint64 m_watchedInode = 0;
    quint64 m_folderInode = 0;
    QFileSystemWatcher m_watch;
    QTimer m_settle;                    // changes come in bursts: looked at once they stop
    std::shared_ptr<Outside> m_merging; // the version being merged on its thread
    QThread *m_mergeThread = nullptr;
    int m_restarts = 0;            // merges made again because the table changed meanwhile
    bool m_saveAfterMerge = false; // a write asked for during a merge, or refused by a change
    QStringList m_copiesTold;      // conflict copies merged, not yet told
};
