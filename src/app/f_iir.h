#pragma once

#include "app/clock.h"
#include "app/session.h"
#include "help/f_help.h"
#include "note/f_test.h"

#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>
#include <array>
#include <optional>

class NoteTableModel;
class QAction;
class QFrame;
class QMenu;
class QPushButton;
class QSessionManager;
class QTableView;
class QTimer;

// The main window: the list of notes, its commands, the alert timer and the tray icon.
// It owns the session (table, flags, slots, notes file) and the open note windows.
class f_iir : public QMainWindow {
    Q_OBJECT
public:
    explicit f_iir(const Clock &clock, QWidget *parent = nullptr);
    ~f_iir() override;

    // Start-up, in order: slots and flags, work area, show, tray, table, data folder, notes, row 1, tray preference.
    // The data folder is the one preparer_dossier() gave the caller, or is prepared here.
    // With a guard, the notes are only written while it holds the data folder.
    void Form_Load(const QString &dataFolder = QString(), SingleCopy *guard = nullptr);

    Session &session() { return m_session; }
    const Clock &clock() const { return m_clock; }
    f_test *fenetre(int slot) const;  // the note window of a slot, or null

    // List commands.
    bool ouvrir_fenetre(int row);  // false when no slot is free
    void positionner_fenetre(int slot);
    void Command1_Click();  // Nouvelle
    void Command2_Click();  // Voir
    void gri_DblClick();
    void Command3_Click();  // Supprimer
    void m_reinit_Click();  // Tout supprimer
    void m_toutafficher_Click();
    void m_toutmasquer_Click();

    // Placement.
    void lire_zone_travail();

    // Quitting.
    void m_quitter_Click();
    void mPopExit_Click();

    // Alerts.
    void Timer1_Timer();

    // Tray and preference.
    void restaurer_fenetre();
    void m_tache_Click();
    void m_tb_Click();
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    QString prefPath() const;
    // Tests decide whether a notification area is there; otherwise the desktop tells.
    void setTrayAvailable(bool available) { m_trayAvailable = available; }

    // The session ends (logout, shutdown, a termination signal): save what was typed.
    void sessionEnding();

    // Printing, help and about.
    void m_imprimer_Click();
    void m_aide_Click();
    void m_apropos_Click();
    f_help *helpWindow() const { return m_help; }

    // Controls, named as on the form.
    QFrame *Frame6 = nullptr;
    QTableView *gri = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QTimer *Timer1 = nullptr;
    QMenu *m_fichier = nullptr;
    QAction *m_tache = nullptr;
    QAction *m_imprimer = nullptr;
    QAction *m_quitter = nullptr;
    QMenu *m_fenetre = nullptr;
    QAction *m_toutafficher = nullptr;
    QAction *m_toutmasquer = nullptr;
    QAction *m_reinit = nullptr;
    QMenu *m_options = nullptr;
    QAction *m_tb = nullptr;
    QMenu *m_interro = nullptr;
    QAction *m_aide = nullptr;
    QAction *m_apropos = nullptr;
    QMenu *mPopupSys = nullptr;
    QAction *mPopNew = nullptr;
    QAction *mPopRestore = nullptr;
    QAction *mPopExit = nullptr;
    QSystemTrayIcon *trayIcon = nullptr;

signals:
    void quitRequested();  // the program is to end now

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildWindow();
    void buildMenus();
    void setUpGrid();
    void selectRow(int row);
    void closeNoteWindow(int slot);
    void focusNouvelle();
    QString writeFailureText(const SaveResult &result) const;
    void reportWriteFailure(const SaveResult &result);

    // Tray (tray/).
    void addTrayIcon();
    void removeTrayIcon();
    bool trayAvailable() const;
    bool startInTray() const;
    std::optional<bool> m_trayAvailable;

    // Alert timer (alert/).
    void armTimer1();
    QDateTime m_lastTick;  // the minute of the last tick that ran the alert check

    const Clock &m_clock;
    Session m_session;
    NoteTableModel *m_model = nullptr;
    std::array<QPointer<f_test>, SlotTable::kMax + 1> m_windows;
    QPointer<f_help> m_help;
    bool m_loaded = false;
};
