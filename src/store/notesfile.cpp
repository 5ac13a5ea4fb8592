#include "notesfile.h"

#include "notescodec.h"
#include "notetable.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

QString NotesFile::path() const
{
    return m_folder + fileName();
}

// A write killed before its rename leaves its temporary file behind, under a name only this
// program gives. One older than any write still going on is removed, so that such leftovers do
// not pile up over the years, unless it is newer than the notes file: then it is the last whole
// version (killed between naming it and the rename), kept under a name the user sees. Nothing
// else in the folder is touched.
void NotesFile::removeStaleTemporaries()
{
    if (m_folder.isEmpty())
        return;
    const QDateTime before = m_clock.now().toUTC().addSecs(-600);
    const QFileInfo notes(path());
    const QFileInfoList found =
        QDir(m_folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo &info : found) {
        if (!isSaveTemporary(info.fileName(), fileName()) || info.lastModified().toUTC() >= before)
            continue;
        if (notes.exists() && info.lastModified() <= notes.lastModified()) {
            QFile::remove(info.filePath());
            continue;
        }
        const QString name = freeName(QStringLiteral("recupere"));
        if (!name.isEmpty() && QFile::rename(info.filePath(), name))
            m_recovered << name;
    }
}

// A name beside the notes file that no file has yet: planifs-<kind>-<date and time>[-n].txt.
QString NotesFile::freeName(const QString &kind, const QStringList &taken) const
{
    const QString stamp = m_clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int i = 1; i < 1000; ++i) {
        QString name = m_folder + QStringLiteral("planifs-") + kind + u'-' + stamp;
        if (i > 1)
            name += QLatin1Char('-') + QString::number(i);
        name += QStringLiteral(".txt");
        if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink() && !taken.contains(name))
            return name;
    }
    return QString();
}

int NotesFile::charger_notes(NoteTable &table)
{
    removeStaleTemporaries();
    QFile file(path());
    m_loadedStamp = FileStamp::of(path());
    if (!file.exists())
        return 0;
    if (QFileInfo(path()).isDir() || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        // A file that is there but cannot be read must not be replaced by an empty table: it is
        // put aside now, before anything is written, and the caller tells the user where.
        m_readError = QFileInfo(path()).isDir() ? ReadError::Folder : ReadError::Refused;
        m_copyPending = true;
        keepCopy(true);
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
    const QString name = freeName(QStringLiteral("endommage"));
    // What cannot be copied (unreadable, no room for a copy) is moved aside whole.
    if (name.isEmpty() || (!QFile::copy(path(), name) && !(mayMove && QFile::rename(path(), name))))
        return false;
    m_copy = name;
    m_copyPending = false;
    return true;
}

SaveResult NotesFile::prepareWrite()
{
    if (!keepCopy(true))
        return SaveResult::failure(SaveResult::Step::KeepAside, EACCES, path());
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
