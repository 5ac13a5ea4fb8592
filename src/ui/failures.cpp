#include "failures.h"

#include "store/notesfile.h"
#include "store/singlecopy.h"
#include "ui/msgbox.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstring>

namespace failures {

namespace {
QString named(const QString &path)
{
    return QDir::toNativeSeparators(path);
}
} // namespace

QString reason(const SaveResult &result, int endWaitMs)
{
    using Step = SaveResult::Step;
    const QString name = QStringLiteral("« %1 »").arg(named(result.path));
    switch (result.step) {
    case Step::ReadOnly:
        return QStringLiteral("le fichier %1 est en lecture seule").arg(name);
    case Step::KeepAside:
        return QStringLiteral("le fichier illisible %1 ne peut pas être mis de côté").arg(name);
    case Step::HeldByOther:
        return QStringLiteral("une autre copie de Rappelix utilise déjà ce dossier");
    case Step::Changed:
        return QStringLiteral("un autre programme venait de modifier %1").arg(name);
    case Step::Unfinished:
        return QStringLiteral("le disque n'a pas fini l'écriture de %1 en %2 secondes")
            .arg(name)
            .arg(endWaitMs / 1000);
    case Step::MakeFolder:
        if (result.error == EEXIST)
            return QStringLiteral("un fichier porte le nom du dossier %1").arg(name);
        break;
    default:
        break;
    }
    switch (result.error) {
    case ENOSPC:
        return QStringLiteral("le disque est plein");
    case EDQUOT:
        return QStringLiteral("le quota d'espace disque est atteint");
    case EFBIG:
        return QStringLiteral("le fichier dépasse la taille permise");
    case EACCES:
    case EPERM:
        return QStringLiteral("l'accès à %1 est refusé").arg(name);
    case EROFS:
        return QStringLiteral("le disque est en lecture seule");
    case ENOENT:
    case ENOTDIR: {
        const bool folder = result.step == Step::Temporary || result.step == Step::MakeFolder;
        return QStringLiteral("le dossier « %1 » n'existe pas")
            .arg(named(folder ? result.path : QFileInfo(result.path).absolutePath()));
    }
    case EISDIR:
        return QStringLiteral("%1 est un dossier").arg(name);
    case EEXIST:
        return QStringLiteral("%1 existe déjà").arg(name);
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie sur le disque");
    default:
        return QStringLiteral("erreur système %1 (%2)")
            .arg(result.error)
            .arg(QString::fromLocal8Bit(std::strerror(result.error)));
    }
}

QString text(const QString &what, const QString &folder, const SaveResult &result, int endWaitMs)
{
    return QStringLiteral("Rappelix n'a pas pu enregistrer %1 dans le dossier « %2 » : %3.")
        .arg(what, named(folder), reason(result, endWaitMs));
}

void reportWrite(QWidget *parent, const QString &text)
{
    // Not modal: the timer goes on trying while the message is up.
    MsgBox::warning(
        parent, text + QStringLiteral("\n\nLes notes restent dans Rappelix, qui réessaiera chaque minute."));
}

bool quitAnyway(QWidget *parent, const QString &text)
{
    return MsgBox::question(parent,
                            text + QStringLiteral("\n\nQuitter quand même ? Les dernières "
                                                  "modifications seront perdues."),
                            QMessageBox::No) == QMessageBox::Yes;
}

void reportAutostart(QWidget *parent, const QString &path, const SaveResult &result)
{
    MsgBox::warning(parent,
                    QStringLiteral("Rappelix n'a pas pu modifier le lancement à l'ouverture de session "
                                   "(« %1 ») : %2.")
                        .arg(named(path), reason(result)));
}

void reportKeptBoth(QWidget *parent, int notes, const QString &copy)
{
    const QString which =
        notes == 1 ? QStringLiteral("une note l'a été") : QStringLiteral("%1 notes l'ont été").arg(notes);
    MsgBox::warning(parent,
                    QStringLiteral("Un autre programme a modifié les notes pendant que Rappelix tournait, "
                                   "et %1 des deux côtés : Rappelix garde les deux versions dans la "
                                   "liste. Le fichier tel que l'autre programme l'a laissé est copié "
                                   "dans « %2 ».")
                        .arg(which, named(copy)));
}

void reportCopiesMerged(QWidget *parent, const QStringList &copies)
{
    QStringList names;
    for (const QString &copy : copies)
        names << QStringLiteral("« %1 »").arg(QFileInfo(copy).fileName());
    const QString found = copies.size() == 1
                              ? QStringLiteral("Un outil de synchronisation a laissé une autre version "
                                               "des notes, %1 : ses notes sont maintenant dans la liste.")
                              : QStringLiteral("Un outil de synchronisation a laissé d'autres versions "
                                               "des notes, %1 : leurs notes sont maintenant dans la liste.");
    MsgBox::warning(
        parent, found.arg(names.join(QStringLiteral(", "))) +
                    QStringLiteral("\n\nUne fois les notes écrites, Rappelix retire la copie (ou la renomme "
                                   "« planifs-conflit-… » s'il lui manque une de ses notes)."));
}

void tellFoundAtStart(QWidget *parent, const NotesFile &file, const SingleCopy *guard)
{
    QStringList told;
    if (file.readError() != NotesFile::ReadError::None)
        told << QStringLiteral("Rappelix n'a pas pu lire les notes (« %1 ») : %2. ")
                        .arg(named(file.path()), file.readError() == NotesFile::ReadError::Folder
                                                     ? QStringLiteral("c'est un dossier")
                                                     : QStringLiteral("la lecture en est refusée")) +
                    (file.keptCopy().isEmpty()
                         ? QStringLiteral("Il reste à sa place, et ne sera pas remplacé.")
                         : QStringLiteral("L'original est gardé sous « %1 » ; la liste commence vide.")
                               .arg(named(file.keptCopy())));
    for (const QString &kept : file.recovered())
        told << QStringLiteral("Une écriture interrompue avait laissé une version des notes plus récente que "
                               "« %1 » : elle est gardée sous « %2 ».")
                    .arg(named(file.path()), named(kept));
    if (guard && guard->unguarded())
        told << QStringLiteral(
                    "Le dossier « %1 » ne permet pas de verrou : Rappelix ne peut pas empêcher une "
                    "seconde copie de Rappelix d'y écrire en même temps.")
                    .arg(named(file.folder()));
    if (!told.isEmpty())
        MsgBox::warning(parent, told.join(QStringLiteral("\n\n")));
}

} // namespace failures
