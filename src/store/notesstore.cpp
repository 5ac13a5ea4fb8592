#include "notesstore.h"

#include "notescodec.h"
#include "notetable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

QSet<QString> keysOf(const QList<notesmerge::Record> &records)
{
    QSet<QString> keys;
    keys.reserve(records.size());
    for (const notesmerge::Record &r : records)
        keys.insert(notesmerge::key(r));
    return keys;
}

// A file being written in two goes may end at a record's end for a moment; one cut inside a
// record is waited for this long before it is taken as it is.
constexpr int kCutWaitMs = 10000;

} // namespace

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
           (name.contains(QLatin1String("conflicted copy")) || name.contains(QLatin1String("copie en conflit")));
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
        if (QString k = notesmerge::key(r); !m_baseKeys.contains(k))
            m_own.insert(std::move(k));
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
            m_unsaved = true; // merged below, then written again
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
        const std::optional<QByteArray> theirs =
            now.exists ? readStill(path, now) : std::optional(QByteArray());
        bool cut = false;
        const QList<notesmerge::Record> records =
            theirs && *theirs != m_disk ? notesmerge::records(*theirs, &cut) : QList<notesmerge::Record>();
        // A file cut inside a record is most likely still being written: its end is waited for.
        if (!theirs || (cut && !settled && m_seen[path].still.elapsed() < kCutWaitMs)) {
            m_settle.start(kSettleMs);
        } else {
            m_seen.remove(path);
            m_known = now;
            // A file gone or emptied is no news of notes (an emptied one is most likely a rewrite
            // under way, which the watch reports again): the next write puts the notes back.
            if (!theirs->isEmpty() && *theirs != m_disk) {
                m_disk = *theirs;
                mergeOutside(*theirs, records, !cut);
            }
        }
    }
    mergeCopies(settled);
}

// The sync engines' conflict copies beside the file: each merged once it is still, then set
// aside.
void NotesStore::mergeCopies(bool settled)
{
    const QDir folder(file.folder());
    QStringList merged;
    for (const QString &name : folder.entryList({QStringLiteral("planifs*.txt")}, QDir::Files)) {
        if (!isConflictCopy(name))
            continue;
        const QString path = folder.filePath(name);
        const FileStamp now = FileStamp::of(path);
        if (m_merged.value(path) == now || (!settled && !settledNow(path, now)))
            continue;
        const std::optional<QByteArray> theirs = readStill(path, now);
        if (!theirs)
            continue;
        m_seen.remove(path);
        m_merged.insert(path, now);
        qCDebug(lcStore) << "store: merging the conflict copy" << path;
        mergeOutside(*theirs, notesmerge::records(*theirs), false);
        merged << path;
    }
    if (!merged.isEmpty())
        emit copiesMerged(merged);
    setCopiesAside();
}

// A conflict copy merged is set aside once the file on disk holds the merge: removed when the
// file holds every one of its notes, else renamed "planifs-conflit-<date>.txt", which no merge
// reads.
void NotesStore::setCopiesAside()
{
    if (m_merged.isEmpty() || m_outstanding || m_unsaved || FileStamp::of(file.path()) != m_known)
        return;
    const QSet<QString> onDisk = keysOf(notesmerge::records(m_disk));
    for (auto it = m_merged.begin(); it != m_merged.end(); it = m_merged.erase(it)) {
        const QString &path = it.key();
        const std::optional<QByteArray> bytes = readStill(path, it.value());
        if (!bytes)
            continue; // gone, or changed again: a new version, merged as such
        bool all = true;
        for (const notesmerge::Record &r : notesmerge::records(*bytes))
            all = all && onDisk.contains(notesmerge::key(r));
        const QString aside = file.freeName(QStringLiteral("conflit"));
        const bool done = all ? QFile::remove(path) : !aside.isEmpty() && QFile::rename(path, aside);
        qCDebug(lcStore) << "store: conflict copy" << path << (done ? (all ? "removed" : "renamed") : "left")
                         << (all ? QString() : aside);
    }
}

// A version from outside into the table. A whole planifs.txt becomes the base of the next
// merge: what the other side is known to have had. A conflict copy or a file cut short only
// brings the notes this program never had.
void NotesStore::mergeOutside(const QByteArray &bytes, const QList<notesmerge::Record> &theirs, bool whole)
{
    const QList<notesmerge::Record> ours = notesmerge::records(m_table);
    notesmerge::Result plan;
    if (whole) {
        notesmerge::Known known;
        known.own = m_own;
        if (keepRow) {
            known.keep.resize(ours.size());
            for (int i = 0; i < ours.size(); ++i)
                known.keep[i] = keepRow(i + 1);
        }
        plan = notesmerge::merge(m_base, ours, theirs, known);
        // The base's records stay known: a later version holding one of them holds an old
        // version of that note (a sync engine may bring one back), not a change made there.
        m_own.unite(m_baseKeys);
        m_base = theirs;
        m_baseKeys = keysOf(m_base);
    } else {
        plan = notesmerge::addUnknown(m_base, ours, theirs, m_own);
    }
    if (plan.entries.isEmpty() && ours.isEmpty())
        return; // no note on either side: the table's one row stays as it is
    emit merged(plan);
    if (plan.conflicts > 0 && whole) {
        QStringList taken;
        for (const auto &c : std::as_const(m_copies))
            taken << c.first;
        const QString kept = file.freeName(QStringLiteral("autre"), taken);
        if (!kept.isEmpty())
            m_copies.append({kept, bytes});
        emit keptBoth(plan.conflicts, kept);
    }
    // The merged list goes to the file at the next write, unless the file holds it already.
    const QList<notesmerge::Record> now = notesmerge::records(m_table);
    if (whole ? !plan.asTheirs && now != theirs : now != ours)
        m_unsaved = true;
}
