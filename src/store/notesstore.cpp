#include "notesstore.h"

#include "notescodec.h"
#include "notetable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace {

// The folder's files read whole, or nothing when they change while read.
std::optional<QByteArray> readStill(const QString &path, const FileStamp &stamp)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError || FileStamp::of(path) != stamp)
        return std::nullopt;
    return bytes;
}

QSet<notesmerge::Record> keysOf(const QList<notesmerge::Record> &records)
{
    return QSet<notesmerge::Record>(records.cbegin(), records.cend());
}

// The record columns of two rows alike (column 3, the window's slot, aside).
bool sameRecord(const NoteTable::Row5 &a, const NoteTable::Row5 &b)
{
    return a[Col::Stamp] == b[Col::Stamp] && a[Col::Text] == b[Col::Text] && a[Col::Alert] == b[Col::Alert] &&
           a[Col::Alerted] == b[Col::Alerted];
}

// A file being written in two goes may end at a record's end for a moment; one cut inside a
// record is waited for this long before it is taken as it is.
constexpr int kCutWaitMs = 10000;

} // namespace

NotesStore::~NotesStore()
{
    if (m_mergeThread)
        m_mergeThread->wait();
}

NotesStore::NotesStore(NoteTable &table, bool &unsaved, const Clock &clock)
    : file(clock), m_table(table), m_unsaved(unsaved)
{
    connect(&m_writer, &NotesWriter::written, this, &NotesStore::takeWrites);
    m_settle.setSingleShot(true);
    m_settle.setInterval(300);
    connect(&m_settle, &QTimer::timeout, this, [this] { checkDisk(); });
    connect(&m_watch, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watch, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
}

bool NotesStore::isConflictCopy(const QString &name)
{
    // Syncthing: planifs.sync-conflict-20261208-141500-ABCDEFG.txt; Nextcloud and ownCloud:
    // planifs (conflicted copy 2026-12-08 141500).txt; Dropbox: planifs (Jean's conflicted copy
    // 2026-12-08).txt, in French planifs (copie en conflit de Jean 2026-12-08).txt. Plain string
    // tests: this also runs on the way out of exit(), after static objects are gone.
    if (name.startsWith(QLatin1String("planifs.sync-conflict-")))
        return name.endsWith(QLatin1String(".txt")) && !name.contains(u'/');
    return name.startsWith(QLatin1String("planifs (")) && name.endsWith(QLatin1String(").txt")) &&
           (name.contains(QLatin1String("conflicted copy")) ||
            name.contains(QLatin1String("copie en conflit")));
}

void NotesStore::noteResult(const SaveResult &result)
{
    if (!result) {
        m_unsaved = true;
        if (!m_lastWriteFailed)
            emit writeFailed(result);
    }
    m_lastWriteFailed = !result;
    m_lastResult = result;
}

SaveResult NotesStore::save()
{
    SaveResult result = guard ? guard->ensureHeld() : SaveResult{};
    if (result)
        result = file.prepareWrite();
    if (!result) {
        noteResult(result);
        return result;
    }
    checkDisk();
    if (m_merging) { // written once the version from outside is merged
        m_unsaved = true;
        m_saveAfterMerge = true;
        return result;
    }
    // A folder being replaced (moved away, another moved in) is looked at again before the
    // notes go anywhere: they stay unsaved until then.
    if (m_watching && !followFolder(false))
        return result;
    m_unsaved = false; // what a merge brought in goes with this write
    const QByteArray bytes = notescodec::encode(m_table);
    // A write that would not change the file leaves it alone, so that a sync tool sees no change.
    if (m_outstanding ? bytes == m_lastSubmitted
                      : bytes == m_disk && FileStamp::of(file.path()) == m_known && m_known.exists) {
        file.countWrite();
        if (!m_outstanding)
            noteResult(result);
        setCopiesAside();
        return result;
    }
    // The version found on disk is copied aside before anything of it is replaced.
    for (const auto &[path, copy] : std::exchange(m_copies, {}))
        m_writer.submit(path, copy, true);
    // What is written here and not in the base: when a version from outside holds it, the other
    // side has seen it.
    if (m_own.size() > 4 * m_table.Rows() + 1024)
        m_own.clear();
    for (const notesmerge::Record &r : notesmerge::records(m_table))
        if (!m_baseKeys.contains(r))
            m_own.insert(r);
    m_lastSubmitted = bytes;
    // The file as last seen here, unless writes are on their way: then as the writer leaves it.
    const QString path = file.path();
    m_writer.submit(path, bytes, false,
                    m_outstanding ? std::nullopt : std::optional(m_watching ? m_known : FileStamp::of(path)));
    m_outstanding = true;
    return result;
}

void NotesStore::takeWrites()
{
    const bool idle = m_writer.idle(); // before the results, so that none is left behind
    for (const NotesWriter::Done &done : m_writer.takeResults()) {
        if (done.path != file.path()) {
            if (!done.result)
                m_copies.append({done.path, done.bytes}); // made again before the next write
            continue;
        }
        if (done.changed) {
            m_unsaved = true; // merged below, then written again at once
            m_saveAfterMerge = true;
            continue;
        }
        if (done.result) {
            m_disk = done.bytes;
            m_known = done.stamp;
            file.countWrite();
        }
        noteResult(done.result);
    }
    if (idle && m_outstanding) {
        m_outstanding = false;
        checkDisk(); // what changed while the writes went on
    }
    setCopiesAside();
}

SaveResult NotesStore::flushWrites(QDeadlineTimer deadline)
{
    const bool ended = m_writer.waitIdle(deadline);
    takeWrites();
    if (!ended)
        return SaveResult::failure(SaveResult::Step::Unfinished, ETIMEDOUT, file.path());
    return m_lastWriteFailed ? m_lastResult : SaveResult{};
}

SaveResult NotesStore::saveAndWait(QDeadlineTimer deadline)
{
    // A merge of what came meanwhile asks for one more write; a few rounds at most.
    SaveResult result;
    for (int round = 0; round < 3; ++round) {
        checkDisk(true);
        if (SaveResult checked = save(); !checked)
            return checked;
        result = flushWrites(deadline);
        if (!result || !m_unsaved)
            break;
    }
    if (result && m_unsaved) // the file kept changing under every write
        result = SaveResult::failure(SaveResult::Step::Unfinished, EBUSY, file.path());
    // The end waits no longer than it said: a write still under way ends with the process.
    m_writer.setEndWait(int(std::max<qint64>(0, deadline.remainingTime())));
    return result;
}

void NotesStore::watchFile()
{
    m_disk = file.loadedBytes();
    m_known = file.loadedStamp();
    m_base = notesmerge::records(m_disk);
    m_baseKeys = keysOf(m_base);
    m_watching = true;
    m_folderInode = FileStamp::of(file.folder()).inode;
    rewatch(m_known.inode);
    mergeCopies(false);
}

// Watches the data folder, the folder above it (which tells when the data folder is moved
// away or replaced) and the file itself, whose watch a rename over it ends.
void NotesStore::rewatch(quint64 inode)
{
    const QString folder = QDir::cleanPath(QFileInfo(file.path()).absolutePath());
    const quint64 folderInode = FileStamp::of(folder).inode;
    if (folderInode != m_folderInode && m_watch.directories().contains(folder))
        m_watch.removePath(folder); // the watch went with the folder it was on
    m_folderInode = folderInode;
    for (const QString &dir : {folder, QFileInfo(folder).absolutePath()})
        if (!m_watch.directories().contains(dir) && QFileInfo(dir).isDir())
            m_watch.addPath(dir);
    if (inode == m_watchedInode && !m_watch.files().isEmpty())
        return;
    if (!m_watch.files().isEmpty())
        m_watch.removePaths(m_watch.files());
    m_watchedInode = inode;
    if (QFileInfo::exists(file.path()))
        m_watch.addPath(file.path());
}

// True once a file seen changed has kept the same stamp for the settle time; until then the
// look comes back.
bool NotesStore::settledNow(const QString &path, const FileStamp &now)
{
    Seen &seen = m_seen[path];
    if (!seen.still.isValid() || seen.stamp != now) {
        seen.stamp = now;
        seen.still.start();
    }
    const qint64 left = kSettleMs - seen.still.elapsed();
    if (left <= 0)
        return true;
    if (!m_settle.isActive() || m_settle.remainingTime() > left)
        m_settle.start(int(left));
    return false;
}

// Whether the data folder is there to write to. One gone is made again only once it has stayed
// gone for the settle time: a folder replaced by two renames is there again before that, and
// is followed.
bool NotesStore::followFolder(bool now)
{
    const QString folder = file.folder();
    if (QFileInfo(folder).isDir()) {
        m_folderGone.invalidate();
        return true;
    }
    if (!m_folderGone.isValid())
        m_folderGone.start();
    const qint64 left = kSettleMs - m_folderGone.elapsed();
    if (left > 0 && !now) {
        m_unsaved = true;
        m_settle.start(int(left));
        return false;
    }
    qCDebug(lcStore) << "store: the data folder stayed away; made again" << folder;
    m_folderGone.invalidate();
    if (SaveResult made = makeFolder(folder); !made) {
        noteResult(made);
        return false;
    }
    m_unsaved = true; // the notes go back at the next write
    m_known = {};
    rewatch(0);
    return true;
}

void NotesStore::checkDisk(bool settled)
{
    if (!m_watching)
        return;
    if (settled && m_mergeThread) { // looked at again below, whole, and merged here
        std::exchange(m_mergeThread, nullptr)->wait();
        m_merging.reset();
    }
    if (m_merging)
        return; // a merge is under way: looked at again once it ends
    if (!QFileInfo(file.folder()).isDir()) {
        followFolder(settled);
        return;
    }
    if (m_outstanding)
        return; // this program's own writes are going on: looked at once they end
    const QString path = file.path();
    const FileStamp now = FileStamp::of(path);
    rewatch(now.inode);
    if (now != m_known && (settled || settledNow(path, now))) {
        // A file cut inside a record is most likely still being written: its end is waited for.
        startMerge(path, now, true, settled || m_seen[path].still.elapsed() >= kCutWaitMs, settled);
        if (m_merging)
            return; // the conflict copies once it is merged
    }
    mergeCopies(settled);
}

// A version from outside, read and merged on a thread of its own. What it needs of the table is
// copied in, so that the table may change meanwhile: then the merge is made again.
struct NotesStore::Outside {
    QString path;
    FileStamp stamp;
    bool whole = true;           // planifs.txt itself, not a conflict copy
    bool takeCut = false;        // a file cut inside a record is merged as it is, not waited for
    QByteArray disk;             // planifs.txt as last read or written here
    QList<NoteTable::Row5> rows; // the table's, the header first
    QList<notesmerge::Record> base;
    QSet<notesmerge::Record> own, baseKeys;
    QList<bool> keep;
    quint64 tableChanges = 0;

    std::optional<QByteArray> bytes; // none: it changed while read
    bool cut = false;
    bool planned = false;
    notesmerge::Result plan;
    MergedRows merged;
    bool differs = false; // the merged list is not what the file holds: it is to be written

    bool asBase() const { return whole && !cut; } // a whole planifs.txt: the next merge's base

    void run()
    {
        bytes = stamp.exists ? readStill(path, stamp) : std::optional(QByteArray());
        if (!bytes || bytes->isEmpty() || (whole && *bytes == disk))
            return;
        const QList<notesmerge::Record> theirs = notesmerge::records(*bytes, &cut);
        if (cut && whole && !takeCut)
            return;
        const QList<notesmerge::Record> ours = notesmerge::records(rows);
        keep.resize(ours.size());
        if (asBase()) {
            notesmerge::Known known;
            known.own = own;
            known.keep = keep;
            plan = notesmerge::merge(base, ours, theirs, known);
            // The base's records stay known: a later version holding one of them holds an old
            // version of that note (a sync engine may bring one back), not a change made there.
            own.unite(baseKeys);
            base = theirs;
            baseKeys = keysOf(base);
        } else {
            // A conflict copy or a file cut short only brings the notes this program never had.
            plan = notesmerge::addUnknown(base, ours, theirs, own);
        }
        planned = true;
        QList<notesmerge::Record> list;
        list.reserve(plan.entries.size());
        merged.rows.reserve(plan.entries.size() + 1);
        merged.rows.append(rows[0]);
        merged.newRow = QList<int>(rows.size(), 0);
        for (const notesmerge::Entry &e : std::as_const(plan.entries)) {
            NoteTable::Row5 row;
            if (e.ours >= 0) {
                merged.newRow[e.ours + 1] = int(merged.rows.size());
                row = rows[e.ours + 1];
                if (e.content)
                    merged.reloaded.append(int(merged.rows.size()));
            }
            const notesmerge::Record &r = e.content ? *e.content : ours[e.ours];
            if (e.ours < 0 || e.content) {
                row[Col::Stamp] = r[0];
                row[Col::Text] = r[1];
                row[Col::Alert] = r[2];
                row[Col::Alerted] = r[3];
            }
            merged.rows.append(row);
            list.append(r);
        }
        merged.none = plan.entries.isEmpty();
        if (merged.none)
            merged.rows.append(NoteTable::Row5{});
        // The merged list goes to the file at the next write, unless the file holds it already.
        differs = asBase() ? !plan.asTheirs && list != theirs : list != ours;
    }
};

void NotesStore::startMerge(const QString &path, const FileStamp &stamp, bool whole, bool takeCut, bool here)
{
    auto o = std::make_shared<Outside>();
    o->path = path;
    o->stamp = stamp;
    o->whole = whole;
    o->takeCut = takeCut;
    o->disk = m_disk;
    o->base = m_base;
    o->baseKeys = m_baseKeys;
    o->own = m_own;
    o->rows = m_table.rows(); // shared until the table changes
    for (int r = 1; keepRow && r < m_table.Rows(); ++r)
        if (!m_table.TextMatrix(r, Col::Slot).isEmpty() && keepRow(r)) {
            o->keep.resize(r);
            o->keep[r - 1] = true;
        }
    o->tableChanges = m_table.changes();
    m_merging = o;
    if (here) {
        o->run();
        finishMerge(true);
        return;
    }
    QThread *thread = QThread::create([o] { o->run(); });
    thread->setParent(this);
    m_mergeThread = thread;
    connect(thread, &QThread::finished, this, [this, thread] {
        thread->deleteLater();
        if (thread == m_mergeThread) {
            m_mergeThread = nullptr;
            finishMerge(false);
        }
    });
    thread->start();
}

void NotesStore::finishMerge(bool settled)
{
    const std::shared_ptr<Outside> o = std::exchange(m_merging, nullptr);
    if (!o)
        return;
    if (o->planned && o->tableChanges != m_table.changes()) {
        // The table changed meanwhile. Typing in notes that the merge takes as they are changes
        // nothing of it; anything else and it is made again over the table as it is now, here
        // after a few tries.
        const QList<NoteTable::Row5> &now = m_table.rows();
        bool fits = now.size() == o->rows.size();
        for (qsizetype r = 1; fits && r < now.size(); ++r) {
            if (now[r] == o->rows[r])
                continue;
            const int after = o->merged.newRow[r];
            NoteTable::Row5 *row = after ? &o->merged.rows[after] : nullptr;
            if (row && sameRecord(*row, o->rows[r]))
                *row = now[r]; // taken as it was: taken as it is
            else if (row && sameRecord(now[r], o->rows[r]))
                (*row)[Col::Slot] = now[r][Col::Slot]; // its window opened or closed meanwhile
            else
                fits = false;
        }
        if (!fits) {
            const bool here = settled || ++m_restarts >= 3;
            startMerge(o->path, o->stamp, o->whole, o->takeCut, here);
            if (here && !settled)
                afterMerge();
            return;
        }
        m_unsaved = true; // the typing goes to the file with the merge
    }
    m_restarts = 0;
    if (o->whole) {
        if (!o->bytes || (o->cut && !o->takeCut)) {
            m_settle.start(kSettleMs); // read again once it is whole
        } else {
            m_seen.remove(o->path);
            m_known = o->stamp;
            // A file gone or emptied is no news of notes (an emptied one is most likely a rewrite
            // under way, which the watch reports again): the next write puts the notes back.
            if (!o->bytes->isEmpty() && *o->bytes != m_disk) {
                m_disk = *o->bytes;
                apply(*o);
            }
        }
    } else if (o->bytes) {
        m_seen.remove(o->path);
        m_merged.insert(o->path, o->stamp);
        qCDebug(lcStore) << "store: merged the conflict copy" << o->path;
        if (o->planned)
            apply(*o);
        m_copiesTold << o->path;
    }
    if (!settled)
        afterMerge();
}

// What waited for a merge on its thread: a write, or the next look at the folder.
void NotesStore::afterMerge()
{
    if (std::exchange(m_saveAfterMerge, false))
        save();
    else
        checkDisk();
}

// A merged version into the table. A whole planifs.txt becomes the base of the next merge: what
// the other side is known to have had.
void NotesStore::apply(const Outside &o)
{
    if (o.asBase()) {
        m_own = o.own;
        m_base = o.base;
        m_baseKeys = o.baseKeys;
    }
    if (o.merged.none && o.rows.size() == 2 && notesmerge::records(o.rows).isEmpty())
        return; // no note on either side: the table's one row stays as it is
    emit merged(o.merged);
    if (o.plan.conflicts > 0 && o.asBase()) {
        QStringList taken;
        for (const auto &c : std::as_const(m_copies))
            taken << c.first;
        const QString kept = file.freeName(QStringLiteral("autre"), taken);
        if (!kept.isEmpty())
            m_copies.append({kept, *o.bytes});
        emit keptBoth(o.plan.conflicts, kept);
    }
    if (o.differs)
        m_unsaved = true;
}

// The sync engines' conflict copies beside the file, one at a time: each merged once it is
// still, then set aside.
void NotesStore::mergeCopies(bool settled)
{
    const QDir folder(file.folder());
    for (const QString &name : folder.entryList({QStringLiteral("planifs*.txt")}, QDir::Files)) {
        if (!isConflictCopy(name))
            continue;
        const QString path = folder.filePath(name);
        const FileStamp now = FileStamp::of(path);
        if (m_merged.value(path) == now || (!settled && !settledNow(path, now)))
            continue;
        startMerge(path, now, false, true, settled);
        if (m_merging)
            return; // the next one once this one is merged
    }
    if (!m_copiesTold.isEmpty())
        emit copiesMerged(std::exchange(m_copiesTold, {}));
    setCopiesAside();
}

// A conflict copy merged is set aside once the file on disk holds the merge: removed when the
// file holds every one of its notes, else renamed "planifs-conflit-<date>.txt", which no merge
// reads.
void NotesStore::setCopiesAside()
{
    if (m_merged.isEmpty() || m_outstanding || m_unsaved || FileStamp::of(file.path()) != m_known)
        return;
    const QSet<notesmerge::Record> onDisk = keysOf(notesmerge::records(m_disk));
    for (auto it = m_merged.begin(); it != m_merged.end(); it = m_merged.erase(it)) {
        const QString &path = it.key();
        const std::optional<QByteArray> bytes = readStill(path, it.value());
        if (!bytes)
            continue; // gone, or changed again: a new version, merged as such
        bool all = true;
        for (const notesmerge::Record &r : notesmerge::records(*bytes))
            all = all && onDisk.contains(r);
        const QString aside = file.freeName(QStringLiteral("conflit"));
        const bool done = all ? QFile::remove(path) : !aside.isEmpty() && QFile::rename(path, aside);
        qCDebug(lcStore) << "store: conflict copy" << path << (done ? (all ? "removed" : "renamed") : "left")
                         << (all ? QString() : aside);
    }
}
