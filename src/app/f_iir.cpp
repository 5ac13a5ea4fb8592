#include "f_iir.h"

#include "alert/alertcheck.h"
#include "alert/alertnotices.h"
#include "app/listview.h"
#include "app/notetablemodel.h"
#include "help/help.h"
#include "note/notewindow.h"
#include "store/datafolder.h"
#include "tray/traywindow.h"
#include "ui/failures.h"
#include "ui/msgbox.h"
#include "ui/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QMenuBar>
#include <QPushButton>
#include <QSessionManager>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

f_iir::f_iir(const Clock &clock, QWidget *parent)
    : QWidget(parent), m_clock(clock), m_session(clock), m_help(new Help(this))
{
    setWindowTitle(QStringLiteral("Rappelix"));
    m_session.windows.setMaker(this);
    buildWindow();
    buildMenus();
    // The alert timer runs from the window's creation to the end of the run.
    m_alerts = new alert::AlertTimer(m_session, m_clock, this);
    connect(m_alerts->timer(), &QTimer::timeout, this, &f_iir::Timer1_Timer);
    // The session manager saves the session (the end comes after it, as a Quit): what was typed
    // is written, and everything stays as it is, as after a checkpoint it must.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { saveTyped(); });
}

f_iir::~f_iir()
{
    // The program ends without running the handlers of windows still open.
    for (const QPointer<f_test> &w : std::as_const(m_made))
        delete w.data();
    delete m_model; // it watches the table, which goes before the children do
    m_model = nullptr;
}

void f_iir::buildWindow()
{
    // A menu bar above the form, nothing else: no main window's docks and tool bars, whose
    // machinery start-up would load for nothing.
    auto *client = new QWidget(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_menuBar = new QMenuBar(this);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(client);
    twips::Form form(client);
    twips::setBackground(this, twips::kLightYellow);
    twips::setBackground(client, twips::kLightYellow);

    Frame6 = new QFrame(client);
    Frame6->setObjectName(QStringLiteral("Frame6"));
    Frame6->setFrameShape(QFrame::NoFrame);
    form.place(Frame6, twips::rect(0, -90, 8750, 3015));
    twips::setBackground(Frame6, twips::kLightYellow);

    m_model = new NoteTableModel(m_session.table, this);
    gri = new ListView(Frame6);
    gri->setObjectName(QStringLiteral("gri"));
    gri->setAccessibleName(QStringLiteral("Liste des notes"));
    form.place(gri, twips::rect(30, 120, 8595, 2295));
    gri->setModel(m_model);
    connect(gri, &QTableView::doubleClicked, this, [this](const QModelIndex &) { gri_DblClick(); });
    connect(gri->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid() && !m_model->removing())
                    m_session.table.setRow(current.row() + 1);
            });
    connect(m_model, &NoteTableModel::tableRowMoved, gri, &ListView::setCurrentNote);

    auto button = [this, &form](const char *name, const QString &caption, int left) {
        auto *b = new QPushButton(caption, Frame6);
        b->setObjectName(QLatin1String(name));
        form.place(b, twips::rect(left, 2520, 2055, 375));
        return b;
    };
    Command1 = button("Command1", QStringLiteral("Nouvelle"), 360);
    Command2 = button("Command2", QStringLiteral("Voir"), 3240);
    Command3 = button("Command3", QStringLiteral("Supprimer"), 6240);
    form.fit(twips::size(8625, 2910));
    connect(Command1, &QPushButton::clicked, this, &f_iir::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &f_iir::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &f_iir::Command3_Click);
    setTabOrder(gri, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);

    // The keyboard's ways to the commands, the captions unchanged: Suppr deletes, Entrée on the
    // list shows, Ctrl+N makes a note (Ctrl+P, Ctrl+Q and F1 are on their menu entries).
    auto key = [this](const QKeySequence &keys, QWidget *on, void (f_iir::*handler)()) {
        auto *shortcut = new QShortcut(keys, on);
        shortcut->setContext(on == this ? Qt::WindowShortcut : Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, handler);
    };
    key(QKeySequence::Delete, this, &f_iir::Command3_Click);
    key(QKeySequence::New, this, &f_iir::Command1_Click);
    key(Qt::Key_Return, gri, &f_iir::Command2_Click);
    key(Qt::Key_Enter, gri, &f_iir::Command2_Click);
}

void f_iir::buildMenus()
{
    auto action = [this](QMenu *menu, const char *name, const QString &caption, void (f_iir::*handler)()) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    auto menu = [this](QMenu *m, const char *name) {
        m->setObjectName(QLatin1String(name));
        return m;
    };
    twips::keepSystemColours(menuBar()); // the menus keep the desktop's look
    m_fichier = menu(menuBar()->addMenu(QStringLiteral("&Fichier")), "m_fichier");
    m_tache = action(m_fichier, "m_tache", QStringLiteral("Réduire"), &f_iir::m_tache_Click);
    m_imprimer = action(m_fichier, "m_imprimer", QStringLiteral("&Imprimer"), &f_iir::m_imprimer_Click);
    m_fichier->addSeparator();
    m_quitter = action(m_fichier, "m_quitter", QStringLiteral("Quitter"), &f_iir::m_quitter_Click);
    m_imprimer->setShortcut(QKeySequence::Print);
    m_quitter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    m_fenetre = menu(menuBar()->addMenu(QStringLiteral("&Liste")), "m_fenetre");
    m_toutafficher =
        action(m_fenetre, "m_toutafficher", QStringLiteral("Tout afficher"), &f_iir::m_toutafficher_Click);
    m_toutmasquer =
        action(m_fenetre, "m_toutmasquer", QStringLiteral("Tout masquer"), &f_iir::m_toutmasquer_Click);
    m_fenetre->addSeparator();
    m_reinit = action(m_fenetre, "m_reinit", QStringLiteral("Tout supprimer"), &f_iir::m_reinit_Click);

    m_options = menu(menuBar()->addMenu(QStringLiteral("&Options")), "m_options");
    m_tb = action(m_options, "m_tb", QStringLiteral("&Démarrer dans la barre de tâche"), &f_iir::m_tb_Click);
    m_tb->setCheckable(true);
    m_tb->setChecked(false);
    m_demarrage = action(m_options, "m_demarrage", QStringLiteral("Lancer à l'ouverture de session"),
                         &f_iir::m_demarrage_Click);
    m_demarrage->setCheckable(true);

    m_interro = menu(menuBar()->addMenu(QStringLiteral("&?")), "m_interro");
    m_aide = action(m_interro, "m_aide", QStringLiteral("Aide..."), &f_iir::m_aide_Click);
    m_apropos = action(m_interro, "m_apropos", QStringLiteral("&A propos..."), &f_iir::m_apropos_Click);
    m_aide->setShortcut(QKeySequence(Qt::Key_F1));
}

void f_iir::Form_Load(const QString &dataFolder, SingleCopy *guard)
{
    m_session.guard = guard;
    if (guard) {
        connect(guard, &SingleCopy::restoreRequested, this, &f_iir::restaurer_fenetre);
    }
    m_session.writeFailed = [this](const SaveResult &result) { reportWriteFailure(result); };
    m_session.keptBoth = [this](int notes, const QString &copy) { reportKeptBoth(notes, copy); };
    m_session.copiesMerged = [this](const QStringList &copies) { reportCopiesMerged(copies); };
    m_session.windows.clear();
    m_session.flags = Flags{};
    lire_zone_travail();
    // The window is not shown yet: it comes on the screen only when restored.
    connect(&m_trayWindow, &TrayWindow::newRequested, this, &f_iir::Command1_Click);
    connect(&m_trayWindow, &TrayWindow::restoreRequested, this, &f_iir::restaurer_fenetre);
    connect(&m_trayWindow, &TrayWindow::quitRequested, this, &f_iir::mPopExit_Click);
    m_notices = new alert::AlertNotices(m_session, m_trayWindow.makeIcon(), this);
    connect(m_alerts, &alert::AlertTimer::fellDue, m_notices, &alert::AlertNotices::tellFallenDue);
    connect(m_notices, &alert::AlertNotices::listWanted, this, &f_iir::restaurer_fenetre);
    m_session.table.setUp();
    // Only Note and Alerte are shown; they share the room of their two widths, grown with the list.
    gri->fitColumns(twips::px(6400 + 1800) * gri->width() / twips::px(8595));
    const QString folder = dataFolder.isEmpty() ? preparer_dossier() : dataFolder;
    m_session.file.setFolder(folder);
    m_pref.setFolder(folder);
    m_model->beginLoad();
    m_session.file.charger_notes(m_session.table);
    m_model->endLoad();
    m_session.table.setRow(1);
    gri->setCurrentNote(1);
    m_session.loaded = true;
    tellFoundAtStart();
    m_session.watchFile();
    m_model->setMissedDays(m_notices->tellMissed(m_clock.now().date()));
    m_demarrage->setChecked(m_autostart.enabled());
    if (m_pref.exists()) {
        m_tb->setChecked(true);
        if (!m_trayWindow.available())
            m_trayWindow.waitForTray();
        m_trayWindow.showIcons();
    } else {
        restaurer_fenetre();
        m_trayWindow.showIconsOnceShown(); // the list comes on the screen first
    }
}

void f_iir::Timer1_Timer()
{
    m_alerts->tick();
}

void f_iir::m_quitter_Click()
{
    m_session.flags.quitting = true;
    close();
}

void f_iir::mPopExit_Click()
{
    if (m_session.flags.autosave)
        m_session.ecrire_notes();
    m_quitter_Click();
}

void f_iir::closeEvent(QCloseEvent *event)
{
    Flags &flags = m_session.flags;
    if (!flags.quitting) {
        // The close box never ends the program: it sends the window to the tray.
        event->ignore();
        m_trayWindow.hideToTray();
        return;
    }
    if (flags.autosave) {
        // The last write ends before the program does, or the user is told.
        const SaveResult saved = saveTyped();
        // Ending now would lose what could not be written: the user decides.
        if (!saved && !failures::quitAnyway(this, failureText(QStringLiteral("les notes"), saved))) {
            flags.quitting = false;
            event->ignore();
            return;
        }
    }
    flags.autosave = false;
    for (int d = m_session.table.Rows() - 1; d >= 1; --d)
        if (NoteWindow *w = m_session.windows.windowOfRow(d))
            w->closeWindow();
    flags.autosave = true;
    event->accept();
    m_trayWindow.hideIcon();
    emit quitRequested();
}

// Every end of the program writes what was typed through here: the table handed to the writer,
// and the writer waited for, with anything another program wrote meanwhile merged in.
SaveResult f_iir::saveTyped()
{
    return m_session.saveAndWait(QDeadlineTimer(Session::kEndWaitMs));
}

// The session ends (logout, shutdown): nothing typed may be lost. Each note window
// closes through its own handler, which writes the file while autosave is on.
void f_iir::sessionEnding()
{
    for (int s = 1; s <= SlotTable::kMax; ++s)
        if (NoteWindow *w = m_session.windows.fenetre(s))
            w->closeWindow();
    if (const SaveResult saved = saveTyped(); !saved)
        qWarning("%s", qPrintable(failureText(QStringLiteral("les notes"), saved)));
}

// The display is gone and the process is ending inside exit(): the windows may no longer be
// used, not even to tell a failure; every keystroke is already in the table.
void f_iir::displayGone()
{
    m_session.writeFailed = nullptr;
    saveTyped();
}

void f_iir::restaurer_fenetre()
{
    if (m_notices) // none before start-up
        m_notices->listSeen();
    m_trayWindow.restore();
}

void f_iir::m_tache_Click()
{
    m_trayWindow.hideToTray();
}

void f_iir::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        m_trayWindow.stateChanged();
}

void f_iir::m_tb_Click()
{
    // The entry is checkable: Qt has already moved the mark to the state asked for. It stays
    // there only if the file could follow.
    const bool wanted = m_tb->isChecked();
    const SaveResult done = m_pref.set(wanted);
    m_tb->setChecked(done ? wanted : !wanted);
    if (!done)
        MsgBox::warning(this, failureText(QStringLiteral("l'option"), done));
}

void f_iir::m_demarrage_Click()
{
    const bool wanted = m_demarrage->isChecked();
    const SaveResult done = m_autostart.set(wanted, QCoreApplication::applicationFilePath());
    m_demarrage->setChecked(done ? wanted : !wanted);
    if (!done)
        failures::reportAutostart(this, m_autostart.path(), done);
}

void f_iir::m_imprimer_Click()
{
    m_printing.print(this, m_session.table, m_clock.now().date()); // Cancel or a failure: silently
}

void f_iir::m_aide_Click()
{
    m_help->showHelp();
}

void f_iir::m_apropos_Click()
{
    m_help->showAbout(this);
}
