#include "session.h"

#include "store/notescodec.h"
#include "store/notesmerge.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

Session::Session(const Clock &clock) : file(clock), m_clock(clock)
{
    QObject::connect(&m_writer, &NotesWriter::written, &m_writer, [this] { takeWrites(); });
    m_settle.setSingleShot(true);
    m_settle.setInterval(300);
    QObject::connect(&m_settle, &QTimer::timeout, &m_writer, [this] { checkDisk(); });
    QObject::connect(&m_watch, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    QObject::connect(&m_watch, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
}

void Session::windowClosed(const NoteWindow &window)
{
    if (flags.autosave)
        ecrire_notes();
    windows.closed(window);
}

void Session::noteResult(const SaveResult &result)
{
    if (!result) {
        flags.textChanged = true;
        if (!m_lastWriteFailed && writeFailed)
            writeFailed(result);
    }
    m_lastWriteFailed = !result;
    m_lastResult = result;
}

SaveResult Session::ecrire_notes()
{
    SaveResult result = guard ? guard->ensureHeld() : SaveResult{};
    if (result)
        result = file.prepareWrite();
    if (!result) {
        noteResult(result);
        return result;
    }
    checkDisk();
    flags.textChanged = false; // what a merge brought in goes with this write
    const QByteArray bytes = notescodec::encode(table);
    // A write that would not change the file leaves it alone, so that a sync tool sees no change.
    if (m_outstanding ? bytes == m_lastSubmitted
                      : bytes == m_base && FileStamp::of(file.path()) == m_known && m_known.exists) {
        file.countWrite();
        if (!m_outstanding)
            noteResult(result);
        return result;
    }
    // The version found on disk is copied aside before anything of it is replaced.
    for (const auto &[path, copy] : std::exchange(m_copies, {}))
        m_writer.submit(path, copy, true);
    m_lastSubmitted = bytes;
    // The file as last seen here, unless writes are on their way: then as the writer leaves it.
    const QString path = file.path();
    m_writer.submit(path, bytes, false,
                    m_outstanding ? std::nullopt : std::optional(m_watching ? m_known : FileStamp::of(path)));
    m_outstanding = true;
    return result;
}

void Session::takeWrites()
{
    const bool idle = m_writer.idle(); // before the results, so that none is left behind
    for (const NotesWriter::Done &done : m_writer.takeResults()) {
        if (done.path != file.path()) {
            if (!done.result)
                m_copies.append({done.path, done.bytes}); // made again before the next write
            continue;
        }
        if (done.changed) {
            flags.textChanged = true; // merged below, then written again
            continue;
        }
        if (done.result) {
            m_base = done.bytes;
            m_known = done.stamp;
            file.countWrite();
        }
        noteResult(done.result);
    }
    if (idle && m_outstanding) {
        m_outstanding = false;
        checkDisk(); // what changed while the writes went on
    }
}

SaveResult Session::flushWrites(QDeadlineTimer deadline)
{
    const bool ended = m_writer.waitIdle(deadline);
    takeWrites();
    if (!ended)
        return SaveResult::failure(SaveResult::Step::Unfinished, ETIMEDOUT, file.path());
    return m_lastWriteFailed ? m_lastResult : SaveResult{};
}

SaveResult Session::saveAndWait(QDeadlineTimer deadline)
{
    // A merge of what came meanwhile asks for one more write; a few rounds at most.
    SaveResult result;
    for (int round = 0; round < 3; ++round) {
        if (SaveResult checked = ecrire_notes(); !checked)
            return checked;
        result = flushWrites(deadline);
        if (!result || !flags.textChanged)
            break;
    }
    return result;
}

void Session::watchFile()
{
    m_base = file.loadedBytes();
    m_known = file.loadedStamp();
    m_watching = true;
    rewatch(m_known.inode);
}

// Watches the data folder, and the file itself, whose watch a rename over it ends.
void Session::rewatch(quint64 inode)
{
    const QString folder = QDir::cleanPath(QFileInfo(file.path()).absolutePath());
    if (!m_watch.directories().contains(folder) && QFileInfo(folder).isDir())
        m_watch.addPath(folder);
    if (inode == m_watchedInode && !m_watch.files().isEmpty())
        return;
    if (!m_watch.files().isEmpty())
        m_watch.removePaths(m_watch.files());
    m_watchedInode = inode;
    if (QFileInfo::exists(file.path()))
        m_watch.addPath(file.path());
}

void Session::checkDisk()
{
    if (!m_watching || m_outstanding)
        return; // this program's own writes are going on: looked at once they end
    const QString path = file.path();
    const FileStamp now = FileStamp::of(path);
    rewatch(now.inode);
    if (now == m_known)
        return;
    QFile f(path);
    if (now.exists && !f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    const QByteArray theirs = now.exists ? f.readAll() : QByteArray();
    if (f.error() != QFileDevice::NoError || FileStamp::of(path) != now)
        return; // changing while read: the next look sees it whole
    m_known = now;
    // A file gone or emptied is no news of notes (an emptied one is most likely a rewrite under
    // way, which the watch reports again): the next write puts the notes back.
    if (theirs.isEmpty())
        return;
    if (theirs != m_base)
        merge(theirs);
}

// Another program's version of the file into the table: the rows take the merged list's
// order, each with its column 3, so that each open window follows its row; a window whose row
// went closes.
void Session::merge(const QByteArray &theirs)
{
    using notesmerge::Record;
    const QList<Record> ours = notesmerge::records(notescodec::encode(table));
    const notesmerge::Result plan =
        notesmerge::merge(notesmerge::records(m_base), ours, notesmerge::records(theirs));
    m_base = theirs;
    if (plan.entries.isEmpty() && ours.isEmpty())
        return; // no note on either side: the table's one row stays as it is

    QList<int> newRow(table.Rows(), 0); // a row of the table now -> its row after, 0: gone
    QList<NoteTable::Row5> rows;
    for (const notesmerge::Entry &e : plan.entries) {
        NoteTable::Row5 row;
        if (e.ours >= 0) {
            newRow[e.ours + 1] = int(rows.size()) + 1;
            for (int c = 0; c < Col::Count; ++c)
                row[c] = table.TextMatrix(e.ours + 1, c);
        }
        if (e.content) {
            row[Col::Stamp] = (*e.content)[0];
            row[Col::Text] = (*e.content)[1];
            row[Col::Alert] = (*e.content)[2];
            row[Col::Alerted] = (*e.content)[3];
        }
        rows.append(row);
    }
    const bool none = rows.isEmpty();
    if (none)
        rows.append(NoteTable::Row5{});

    const bool autosave = std::exchange(flags.autosave, false);
    for (int r = 1; r < table.Rows(); ++r)
        if (NoteWindow *w = newRow[r] ? nullptr : windows.windowOfRow(r))
            w->closeWindow();
    flags.autosave = autosave;
    const int current = table.Row();
    while (table.Rows() - 1 < rows.size())
        table.AddItem();
    while (table.Rows() - 1 > rows.size())
        table.RemoveItem(table.Rows() - 1);
    for (int r = 1; r < table.Rows(); ++r)
        for (int c = 0; c < Col::Count; ++c)
            table.setTextMatrix(r, c, rows[r - 1][c]);
    if (none)
        table.makePlaceholder(1);
    else if (rows.size() > 1)
        for (int r = 1; r < table.Rows(); ++r)
            if (windows.cellOf(r) == NoteWindows::Cell::Placeholder)
                windows.unbind(r); // the placeholder row is a note beside others
    if (current < newRow.size() && newRow[current])
        table.setRow(newRow[current]);
    windows.rowsMoved();
    for (int i = 0; i < plan.entries.size(); ++i)
        if (NoteWindow *w = plan.entries[i].content ? windows.windowOfRow(i + 1) : nullptr)
            w->rowReloaded();

    if (plan.conflicts > 0) {
        QStringList taken;
        for (const auto &copy : std::as_const(m_copies))
            taken << copy.first;
        const QString copy = file.freeName(QStringLiteral("autre"), taken);
        if (!copy.isEmpty())
            m_copies.append({copy, theirs});
        if (keptBoth)
            keptBoth(plan.conflicts, copy);
    }
    if (notescodec::encode(table) != theirs)
        flags.textChanged = true; // the merged list goes to the file at the next tick
}
