#include "f_iir.h"

#include "alert/alertcheck.h"
#include "alert/alertnotices.h"
#include "alert/alerttext.h"
#include "ui/frames.h"
#include "app/notetablemodel.h"
#include "help/help.h"
#include "ui/msgbox.h"
#include "note/notewindow.h"
#include "ui/twips.h"
#include "store/datafolder.h"
#include "tray/appicon.h"
#include "tray/trayicon.h"
#include "tray/traywindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QMenuBar>
#include <QPushButton>
#include <QSessionManager>
#include <QShortcut>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <cerrno>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {
// The list's column header. Qt sizes every section as if its caption were bold, for a section
// highlighted by the selection; these never are, and measuring in bold loads a second face of
// the font at every start.
class ListHeader : public QHeaderView {
public:
    ListHeader(Qt::Orientation orientation, QWidget *parent) : QHeaderView(orientation, parent)
    {
        setHighlightSections(false);
        setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.section = logicalIndex;
        if (model()) // none while the window is being taken down
            opt.text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), this);
    }
};

// Why a file operation failed, in the user's words: what the step and the system's code say,
// about the file or folder it failed on.
QString failureReason(const SaveResult &result)
{
    using Step = SaveResult::Step;
    const QString name = QStringLiteral("« %1 »").arg(QDir::toNativeSeparators(result.path));
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
            .arg(Session::kEndWaitMs / 1000);
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
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("le quota d'espace disque est atteint");
#endif
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
            .arg(QDir::toNativeSeparators(folder ? result.path : QFileInfo(result.path).absolutePath()));
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

// The list always has a current row and the highlight is on it: a click where there is no row,
// or with Ctrl on the highlighted row, leaves both where they are.
class ListView : public QTableView {
public:
    using QTableView::QTableView;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override
    {
        if (!index.isValid())
            return QItemSelectionModel::NoUpdate;
        const QItemSelectionModel::SelectionFlags command = QTableView::selectionCommand(index, event);
        if (command & QItemSelectionModel::Deselect)
            return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
        return command;
    }
};
} // namespace

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
    gri->setHorizontalHeader(new ListHeader(Qt::Horizontal, gri));
    // Hidden before the list has a model, the row header is never measured.
    gri->verticalHeader()->hide();
    form.place(gri, twips::rect(30, 120, 8595, 2295));
    gri->setModel(m_model);
    gri->setSelectionBehavior(QAbstractItemView::SelectRows);
    gri->setSelectionMode(QAbstractItemView::SingleSelection);
    gri->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gri->setWordWrap(false);
    gri->setTabKeyNavigation(false); // Tab leaves the list for the buttons
    gri->verticalHeader()->setDefaultSectionSize(gri->fontMetrics().height() + 6);
    connect(gri, &QTableView::doubleClicked, this, [this](const QModelIndex &) { gri_DblClick(); });
    connect(gri->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid() && !m_model->removing())
                    m_session.table.setRow(current.row() + 1);
            });
    connect(m_model, &NoteTableModel::tableRowMoved, this, &f_iir::selectRow);

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

    // The tray's pop-up menu.
    const TrayWindow::Menu pop = TrayWindow::buildMenu(this);
    mPopupSys = pop.popup;
    mPopNew = pop.nouvelle;
    mPopRestore = pop.restore;
    mPopExit = pop.exit;
    connect(mPopNew, &QAction::triggered, this, &f_iir::Command1_Click);
    connect(mPopRestore, &QAction::triggered, this, &f_iir::restaurer_fenetre);
    connect(mPopExit, &QAction::triggered, this, &f_iir::mPopExit_Click);
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
    m_tray = new TrayIcon(mPopupSys, this);
    connect(m_tray, &TrayIcon::restoreRequested, this, &f_iir::restaurer_fenetre);
    connect(m_tray, &TrayIcon::menuRequested, this, &f_iir::showTrayMenu);
    m_notices = new alert::AlertNotices(m_session, m_tray, this);
    connect(m_alerts, &alert::AlertTimer::fellDue, m_notices, &alert::AlertNotices::tellFallenDue);
    connect(m_notices, &alert::AlertNotices::listWanted, this, &f_iir::restaurer_fenetre);
    setUpGrid();
    const QString folder = dataFolder.isEmpty() ? preparer_dossier() : dataFolder;
    m_session.file.setFolder(folder);
    m_pref.setFolder(folder);
    m_model->beginLoad();
    m_session.file.charger_notes(m_session.table);
    m_model->endLoad();
    m_session.table.setRow(1);
    selectRow(1);
    m_session.loaded = true;
    tellFoundAtStart();
    m_session.watchFile();
    m_model->setMissedDays(m_notices->tellMissed(m_clock.now().date()));
    m_demarrage->setChecked(m_autostart.enabled());
    if (m_pref.exists()) {
        m_tb->setChecked(true);
        if (!m_trayWindow.available())
            m_trayWindow.waitForTray();
        showIcons();
    } else {
        restaurer_fenetre();
        // The icons come once the list is on the screen and painted, or after a second at most:
        // setting them on the windows and the exchanges with the notification area take milliseconds.
        connect(&m_trayWindow, &TrayWindow::exposed, this, &f_iir::showIcons,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        QTimer::singleShot(1000, this, &f_iir::showIcons);
    }
}

// The window's icon, for every window, and the notification area's, once.
void f_iir::showIcons()
{
    if (m_iconsShown)
        return;
    m_iconsShown = true;
    const QIcon icon = applicationIcon();
    QApplication::setWindowIcon(icon);
    m_tray->show(icon);
    // The start-up is over. What it used in passing (the font list read, the icon drawn at every
    // size) is handed back to the system rather than kept by the process for its whole life.
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void f_iir::setUpGrid()
{
    m_session.table.setUp();
    // Columns 0, 3 and 4, a twip wide, are not shown at all. The Alerte column is as wide as the
    // widest alert text the editor can make, with the item's margins and the grid line; the Note
    // column has the rest of the room the two share, which grows with the list.
    const int shared = twips::px(6400 + 1800) * gri->width() / twips::px(8595);
    const QFontMetrics metrics(gri->font());
    const int margins = 2 * (gri->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, gri) + 1) + 1;
    const QString widest =
        alert::widestAlert([&metrics](const QString &text) { return metrics.horizontalAdvance(text); });
    const int alertWidth = qMax(twips::px(1800), metrics.horizontalAdvance(widest) + margins);
    gri->setColumnWidth(0, shared - alertWidth);
    gri->setColumnWidth(1, alertWidth);
}

void f_iir::selectRow(int row)
{
    if (row < 1 || row >= m_session.table.Rows())
        return;
    const QModelIndex index = m_model->index(row - 1, 0);
    gri->selectionModel()->setCurrentIndex(index,
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
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

QString f_iir::failureText(const QString &what, const SaveResult &result) const
{
    return QStringLiteral("Rappelix n'a pas pu enregistrer %1 dans le dossier « %2 » : %3.")
        .arg(what, QDir::toNativeSeparators(m_session.file.folder()), failureReason(result));
}

void f_iir::reportWriteFailure(const SaveResult &result)
{
    // Not modal: the timer goes on trying while the message is up.
    MsgBox::warning(this,
                    failureText(QStringLiteral("les notes"), result) +
                        QStringLiteral("\n\nLes notes restent dans Rappelix, qui réessaiera chaque minute."));
}

void f_iir::reportKeptBoth(int notes, const QString &copy)
{
    const QString which =
        notes == 1 ? QStringLiteral("une note l'a été") : QStringLiteral("%1 notes l'ont été").arg(notes);
    MsgBox::warning(this,
                    QStringLiteral("Un autre programme a modifié les notes pendant que Rappelix tournait, "
                                   "et %1 des deux côtés : Rappelix garde les deux versions dans la "
                                   "liste. Le fichier tel que l'autre programme l'a laissé est copié "
                                   "dans « %2 ».")
                        .arg(which, QDir::toNativeSeparators(copy)));
}

void f_iir::reportCopiesMerged(const QStringList &copies)
{
    QStringList names;
    for (const QString &copy : copies)
        names << QStringLiteral("« %1 »").arg(QFileInfo(copy).fileName());
    MsgBox::warning(this, (copies.size() == 1 ? QStringLiteral("Un outil de synchronisation a laissé une "
                                                                   "autre version des notes, %1 : ses notes "
                                                                   "sont maintenant dans la liste.")
                                                   : QStringLiteral("Un outil de synchronisation a laissé "
                                                                    "d'autres versions des notes, %1 : leurs "
                                                                    "notes sont maintenant dans la liste."))
                                  .arg(names.join(QStringLiteral(", "))) +
                              QStringLiteral("\n\nUne fois les notes écrites, Rappelix retire la copie "
                                             "(ou la renomme « planifs-conflit-… » s'il lui manque une de "
                                             "ses notes)."));
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
        if (!saved && MsgBox::question(this,
                                       failureText(QStringLiteral("les notes"), saved) +
                                           QStringLiteral("\n\nQuitter quand même ? Les dernières "
                                                          "modifications seront perdues."),
                                       QMessageBox::No) != QMessageBox::Yes) {
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
    if (m_tray)
        m_tray->hide();
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

// What start-up found amiss in the data folder, told before anything is written there.
void f_iir::tellFoundAtStart()
{
    const NotesFile &file = m_session.file;
    auto named = [](const QString &path) { return QDir::toNativeSeparators(path); };
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
    if (m_session.guard && m_session.guard->unguarded())
        told << QStringLiteral(
                    "Le dossier « %1 » ne permet pas de verrou : Rappelix ne peut pas empêcher une "
                    "seconde copie de Rappelix d'y écrire en même temps.")
                    .arg(named(file.folder()));
    if (!told.isEmpty())
        MsgBox::warning(this, told.join(QStringLiteral("\n\n")));
}

void f_iir::showTrayMenu()
{
    m_trayWindow.showMenu(mPopupSys);
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
        MsgBox::warning(this,
                        QStringLiteral("Rappelix n'a pas pu modifier le lancement à l'ouverture de session "
                                       "(« %1 ») : %2.")
                            .arg(QDir::toNativeSeparators(m_autostart.path()), failureReason(done)));
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
