#include "notesfile.h"

#include "notescodec.h"
#include "notetable.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString NotesFile::path() const
{
    return m_folder + fileName();
}

// A write killed before its rename leaves its temporary file behind, under a name only this
// program gives. One older than any write still going on is removed, so that such leftovers,
// notes and all, do not pile up over the years; nothing else in the folder is touched.
void NotesFile::removeStaleTemporaries()
{
    if (m_folder.isEmpty())
        return;
    const QDateTime before = m_clock.now().toUTC().addSecs(-600);
    const QFileInfoList found =
        QDir(m_folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo &info : found)
        if (isSaveTemporary(info.fileName(), fileName()) && info.lastModified().toUTC() < before)
            QFile::remove(info.filePath());
}

int NotesFile::charger_notes(NoteTable &table)
{
    removeStaleTemporaries();
    QFile file(path());
    m_loadedStamp = FileStamp::of(path());
    if (!file.exists())
        return 0;
    if (!file.open(QIODevice::ReadOnly)) {
        // A file that is there but cannot be read must not be replaced by an empty table:
        // the first write puts it aside.
        m_copyPending = true;
        return 0;
    }
    const QByteArray bytes = file.readAll();
    m_loaded = bytes;
    const bool readError = file.error() != QFileDevice::NoError;
    file.close();
    const notescodec::ReadResult result = notescodec::decode(bytes, table);
    // An empty file holds nothing worth a copy.
    if ((!result.exact && !bytes.isEmpty()) || readError) {
        m_copyPending = true;
        keepCopy(false);
    }
    return result.records;
}

// Keeps the file as it was found before a write replaces what could not be read. Just
// before a write (mayMove), what cannot be copied is moved aside instead.
bool NotesFile::keepCopy(bool mayMove)
{
    if (!m_copyPending)
        return true;
    if (!QFileInfo::exists(path())) {
        m_copyPending = false;
        return true;
    }
    const QString stamp = m_clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int i = 1; i < 1000; ++i) {
        QString name = m_folder + QStringLiteral("planifs-endommage-") + stamp;
        if (i > 1)
            name += QLatin1Char('-') + QString::number(i);
        name += QStringLiteral(".txt");
        if (QFileInfo::exists(name))
            continue;
        // What cannot be copied (unreadable, no room for a copy) is moved aside whole.
        if (!QFile::copy(path(), name) && !(mayMove && QFile::rename(path(), name)))
            return false;
        m_copy = name;
        m_copyPending = false;
        return true;
    }
    return false;
}

SaveResult NotesFile::prepareWrite()
{
    if (!keepCopy(true))
        return SaveResult::failure(QStringLiteral("le fichier illisible ne peut pas être mis de côté"));
    return {};
}

SaveResult NotesFile::ecrire_notes(const NoteTable &table)
{
    const QByteArray bytes = notescodec::encode(table);
    SaveResult result = prepareWrite();
    if (result)
        result = NotesWriter::writeFile(path(), bytes);
    if (result)
        ++m_writes;
    return result;
}
