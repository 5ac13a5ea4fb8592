#pragma once

#include "app/placement.h"
#include "print/printing.h"
#include "session/listcommands.h"
#include "session/session.h"
#include "store/autostart.h"
#include "store/preffile.h"
#include "tray/traywindow.h"
#include "ui/failures.h"

#include <QPointer>
#include <QWidget>

class Help;
class QMenuBar;
class NoteTableModel;
class QAction;
class QFrame;
class QMenu;
class QPushButton;
class ListView;
class f_test;
namespace alert {
class AlertNotices;
class AlertTimer;
} // namespace alert

// The main window: the list of notes and its commands. It owns the session (table, flags, notes
// file, open note windows) and makes the note windows, and composes the list commands, the tray,
// the alert timer and its notices, printing and help; its handlers, named after their controls,
// forward to them.
class f_iir : public QWidget, private NoteWindowMaker {
    Q_OBJECT
public:
    explicit f_iir(const Clock &clock, QWidget *parent = nullptr);
    ~f_iir() override;

    // Start-up, in order: slots and flags, work area, show, tray, table, data folder, notes, row 1,
    // tray preference. The data folder is the one preparer_dossier() gave the caller, or is
    // prepared here; with a guard, the notes are only written while it holds the folder.
    void Form_Load(const QString &dataFolder = QString(), SingleCopy *guard = nullptr);

    Session &session() { return m_session; }

    // Placement.
    void lire_zone_travail();
    void positionner_fenetre(QWidget *window, int slot); // shows the window in its slot's cell

    // List commands.
    void Command1_Click(); // Nouvelle
    void Command2_Click(); // Voir
    void gri_DblClick();
    void Command3_Click(); // Supprimer
    void m_reinit_Click(); // Tout supprimer
    void m_toutafficher_Click();
    void m_toutmasquer_Click();

    // Quitting, and the session ending from outside (logout, shutdown, a termination signal).
    void m_quitter_Click();
    void mPopExit_Click();
    void sessionEnding();
    void displayGone(); // from the exit handlers: writes, touches no window

    void Timer1_Timer();

    // Tray and preference.
    void restaurer_fenetre();
    void m_tache_Click();
    void m_tb_Click();
    void m_demarrage_Click(); // Lancer à l'ouverture de session
    // Tests decide whether a notification area is there; otherwise the desktop tells.
    void setTrayAvailable(bool available) { m_trayWindow.setAvailable(available); }

    // Printing, help and about.
    void m_imprimer_Click();
    void m_aide_Click();
    void m_apropos_Click();

signals:
    void quitRequested(); // the program is to end now

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    NoteWindow *makeWindow(int row, int slot, Fill fill) override;
    void buildWindow();
    void buildMenus();
    void focusNouvelle();
    SaveResult saveTyped();
    QString failureText(const QString &what, const SaveResult &result) const
    {
        return failures::text(what, m_session.file.folder(), result, Session::kEndWaitMs);
    }
    void reportWriteFailure(const SaveResult &result)
    {
        failures::reportWrite(this, failureText(QStringLiteral("les notes"), result));
    }
    void reportKeptBoth(int notes, const QString &copy) { failures::reportKeptBoth(this, notes, copy); }
    void reportCopiesMerged(const QStringList &copies) { failures::reportCopiesMerged(this, copies); }
    void tellFoundAtStart() { failures::tellFoundAtStart(this, m_session.file, m_session.guard); }

    // The rooms it composes.
    const Clock &m_clock;
    Session m_session; // the table, its file, the flags and the open note windows
    ListCommands m_list{m_session};
    PrefFile m_pref;
    Autostart m_autostart;
    Printing m_printing;
    WorkArea m_workArea;
    NoteTableModel *m_model = nullptr;
    alert::AlertTimer *m_alerts = nullptr;
    alert::AlertNotices *m_notices = nullptr;
    Help *m_help = nullptr;
    QList<QPointer<f_test>> m_made; // every note window not yet deleted
    TrayWindow m_trayWindow{this};

    // Controls, named as on the form. The list and its buttons: Nouvelle, Voir, Supprimer.
    QFrame *Frame6 = nullptr;
    ListView *gri = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QMenuBar *m_menuBar = nullptr;
    QMenuBar *menuBar() const { return m_menuBar; }
    // Fichier: Réduire, Imprimer, Quitter.
    QMenu *m_fichier = nullptr;
    QAction *m_tache = nullptr;
    QAction *m_imprimer = nullptr;
    QAction *m_quitter = nullptr;
    // Liste: Tout afficher, Tout masquer, Tout supprimer.
    QMenu *m_fenetre = nullptr;
    QAction *m_toutafficher = nullptr;
    QAction *m_toutmasquer = nullptr;
    QAction *m_reinit = nullptr;
    // Options: Démarrer dans la barre de tâche, Lancer à l'ouverture de session.
    QMenu *m_options = nullptr;
    QAction *m_tb = nullptr;
    QAction *m_demarrage = nullptr;
    // ?: Aide, A propos.
    QMenu *m_interro = nullptr;
    QAction *m_aide = nullptr;
    QAction *m_apropos = nullptr;
};
