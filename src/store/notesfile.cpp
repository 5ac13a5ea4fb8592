#include "notesfile.h"

#include "notescodec.h"
#include "notetable.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString NotesFile::path() const
{
    return m_folder + fileName();
}

int NotesFile::charger_notes(NoteTable &table)
{
    QFile file(path());
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray bytes = file.readAll();
    file.close();
    const notescodec::ReadResult result = notescodec::decode(bytes, table);
    if (!result.exact) {
        m_copyPending = true;
        keepCopy();
    }
    return result.records;
}

// Keeps the file as it was found before a write replaces what could not be read.
bool NotesFile::keepCopy()
{
    if (!m_copyPending)
        return true;
    if (!QFileInfo::exists(path())) {
        m_copyPending = false;
        return true;
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int i = 1; i < 1000; ++i) {
        QString name = m_folder + QStringLiteral("planifs-endommage-") + stamp;
        if (i > 1)
            name += QLatin1Char('-') + QString::number(i);
        name += QStringLiteral(".txt");
        if (QFileInfo::exists(name))
            continue;
        if (!QFile::copy(path(), name))
            return false;
        m_copy = name;
        m_copyPending = false;
        return true;
    }
    return false;
}

bool NotesFile::ecrire_notes(const NoteTable &table, Flags &flags)
{
    flags.textChanged = false;
    const QByteArray bytes = notescodec::encode(table);
    bool ok = keepCopy();
    if (ok) {
        QSaveFile file(path());
        file.setDirectWriteFallback(false);
        ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    }
    if (!ok) {
        flags.textChanged = true;
        return false;
    }
    ++m_writes;
    return true;
}
