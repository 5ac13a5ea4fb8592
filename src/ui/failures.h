#pragma once

#include "store/savefile.h"

#include <QString>
#include <QStringList>

class NotesFile;
class QWidget;
class SingleCopy;

// What went wrong with the files, told to the person in French, once, with the reason: the
// sentences every window uses when a write, the preference or the data folder fails.
namespace failures {

// Why a file operation failed, in the user's words: what the step and the system's code say,
// about the file or folder it failed on. `endWaitMs` is how long a write was waited for.
QString reason(const SaveResult &result, int endWaitMs = 0);

// "Rappelix n'a pas pu enregistrer <what> dans le dossier « folder » : <reason>."
QString text(const QString &what, const QString &folder, const SaveResult &result, int endWaitMs = 0);

// A write of the notes failed; the timer tries again.
void reportWrite(QWidget *parent, const QString &text);
// Quitting would lose what could not be written (`text` says why): whether to quit all the same.
// Entrée answers « Non ».
bool quitAnyway(QWidget *parent, const QString &text);
// The autostart entry at `path` could not follow the option.
void reportAutostart(QWidget *parent, const QString &path, const SaveResult &result);
// Another program changed `notes` notes the same time as Rappelix; its file is copied to `copy`.
void reportKeptBoth(QWidget *parent, int notes, const QString &copy);
// A sync engine's conflict copies at `copies` were merged into the list.
void reportCopiesMerged(QWidget *parent, const QStringList &copies);
// What start-up found amiss in the data folder, told before anything is written there.
void tellFoundAtStart(QWidget *parent, const NotesFile &file, const SingleCopy *guard);

} // namespace failures
