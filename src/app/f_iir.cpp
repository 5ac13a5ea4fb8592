#include "f_iir.h"

#include "app/msgbox.h"
#include "app/notetablemodel.h"
#include "help/f_help.h"
#include "note/f_test.h"
#include "store/datafolder.h"
#include "app/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QHeaderView>
#include <QMenuBar>
#include <QPushButton>
#include <QSessionManager>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QTimer>

namespace {
// The list's headers. Qt sizes every section as if its caption were bold, for a section
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
} // namespace

f_iir::f_iir(const Clock &clock, QWidget *parent) : QMainWindow(parent), m_clock(clock)
{
    setWindowTitle(QStringLiteral("Rappelix"));
    buildWindow();
    buildMenus();
    // The alert timer runs from the window's creation to the end of the run.
    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &f_iir::Timer1_Timer);
    armTimer1();
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { sessionEnding(); });
}

f_iir::~f_iir()
{
    // The program ends without running the handlers of windows still open.
    for (auto &w : m_windows)
        delete w.data();
    delete m_help.data();
    delete m_model;  // it watches the table, which goes before the children do
    m_model = nullptr;
}

void f_iir::buildWindow()
{
    auto *client = new QWidget(this);
    client->setFixedSize(twips::size(8625, 2910));
    setCentralWidget(client);
    twips::setBackground(this, twips::kLightYellow);
    twips::setBackground(client, twips::kLightYellow);

    Frame6 = new QFrame(client);
    Frame6->setFrameShape(QFrame::NoFrame);
    Frame6->setGeometry(twips::rect(0, -90, 8750, 3015));
    twips::setBackground(Frame6, twips::kLightYellow);

    m_model = new NoteTableModel(m_session.table, this);
    gri = new QTableView(Frame6);
    gri->setObjectName(QStringLiteral("gri"));
    gri->setHorizontalHeader(new ListHeader(Qt::Horizontal, gri));
    gri->setVerticalHeader(new ListHeader(Qt::Vertical, gri));
    gri->setGeometry(twips::rect(30, 120, 8595, 2295));
    gri->setModel(m_model);
    gri->setSelectionBehavior(QAbstractItemView::SelectRows);
    gri->setSelectionMode(QAbstractItemView::SingleSelection);
    gri->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gri->setWordWrap(false);
    gri->setTabKeyNavigation(false);  // Tab leaves the list for the buttons
    gri->verticalHeader()->hide();
    gri->verticalHeader()->setDefaultSectionSize(gri->fontMetrics().height() + 6);
    connect(gri, &QTableView::doubleClicked, this, [this](const QModelIndex &) { gri_DblClick(); });
    connect(gri->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid() && !m_model->removing())
                    m_session.table.setRow(current.row() + 1);
            });
    connect(m_model, &NoteTableModel::tableRowMoved, this, &f_iir::selectRow);

    auto button = [this](const char *name, const QString &caption, int left) {
        auto *b = new QPushButton(caption, Frame6);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(twips::rect(left, 2520, 2055, 375));
        return b;
    };
    Command1 = button("Command1", QStringLiteral("Nouvelle"), 360);
    Command2 = button("Command2", QStringLiteral("Voir"), 3240);
    Command3 = button("Command3", QStringLiteral("Supprimer"), 6240);
    connect(Command1, &QPushButton::clicked, this, &f_iir::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &f_iir::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &f_iir::Command3_Click);
    setTabOrder(gri, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
}

void f_iir::buildMenus()
{
    auto action = [this](QMenu *menu, const QString &caption, void (f_iir::*handler)()) {
        QAction *a = menu->addAction(caption);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    m_fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    m_tache = action(m_fichier, QStringLiteral("Réduire"), &f_iir::m_tache_Click);
    m_imprimer = action(m_fichier, QStringLiteral("&Imprimer"), &f_iir::m_imprimer_Click);
    m_fichier->addSeparator();
    m_quitter = action(m_fichier, QStringLiteral("Quitter"), &f_iir::m_quitter_Click);

    m_fenetre = menuBar()->addMenu(QStringLiteral("&Liste"));
    m_toutafficher = action(m_fenetre, QStringLiteral("Tout afficher"), &f_iir::m_toutafficher_Click);
    m_toutmasquer = action(m_fenetre, QStringLiteral("Tout masquer"), &f_iir::m_toutmasquer_Click);
    m_fenetre->addSeparator();
    m_reinit = action(m_fenetre, QStringLiteral("Tout supprimer"), &f_iir::m_reinit_Click);

    m_options = menuBar()->addMenu(QStringLiteral("&Options"));
    m_tb = action(m_options, QStringLiteral("&Démarrer dans la barre de tâche"), &f_iir::m_tb_Click);
    m_tb->setCheckable(true);
    m_tb->setChecked(false);

    m_interro = menuBar()->addMenu(QStringLiteral("&?"));
    m_aide = action(m_interro, QStringLiteral("Aide..."), &f_iir::m_aide_Click);
    m_apropos = action(m_interro, QStringLiteral("&A propos..."), &f_iir::m_apropos_Click);

    // The tray's pop-up menu; never part of the menu bar.
    mPopupSys = new QMenu(QStringLiteral("&SysTRay"), this);
    mPopNew = action(mPopupSys, QStringLiteral("&Nouvelle"), &f_iir::Command1_Click);
    mPopRestore = action(mPopupSys, QStringLiteral("&Restaurer"), &f_iir::restaurer_fenetre);
    mPopExit = action(mPopupSys, QStringLiteral(" &Quitter"), &f_iir::mPopExit_Click);
}

void f_iir::Form_Load(const QString &dataFolder, SingleCopy *guard)
{
    m_session.guard = guard;
    if (guard) {
        connect(guard, &SingleCopy::restoreRequested, this, &f_iir::restaurer_fenetre);
        // Notes lost with their folder are written again at the next tick.
        connect(guard, &SingleCopy::folderRemade, this, [this] { m_session.flags.textChanged = true; });
    }
    m_session.writeFailed = [this](const SaveResult &result) { reportWriteFailure(result); };
    m_session.slotTable.clear();
    m_session.flags = Flags{};
    lire_zone_travail();
    // The window starts minimised, which keeps it off the screen until restored.
    addTrayIcon();
    setUpGrid();
    m_session.file.setFolder(dataFolder.isEmpty() ? preparer_dossier() : dataFolder);
    m_model->beginLoad();
    m_session.file.charger_notes(m_session.table);
    m_model->endLoad();
    m_session.table.setRow(1);
    selectRow(1);
    m_loaded = true;
    if (startInTray()) {
        m_tb->setChecked(true);
        if (!trayAvailable())
            showMinimized();  // no notification area to come back from: stay on the taskbar
    } else {
        restaurer_fenetre();
    }
}

void f_iir::setUpGrid()
{
    m_session.table.setUp();
    const int widths[Col::Count] = {1, 6400, 1800, 1, 1};
    for (int c = 0; c < Col::Count; ++c) {
        gri->setColumnWidth(c, twips::px(widths[c]));
        gri->setColumnHidden(c, widths[c] <= 1);
    }
}

void f_iir::selectRow(int row)
{
    if (row < 1 || row >= m_session.table.Rows())
        return;
    const QModelIndex index = m_model->index(row - 1, Col::Text);
    gri->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

f_test *f_iir::fenetre(int slot) const
{
    // A freed slot may still hold its closing window until it is deleted: never hand that out.
    return m_session.slotTable.inUse(slot) ? m_windows[slot].data() : nullptr;
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

QString f_iir::writeFailureText(const SaveResult &result) const
{
    return QStringLiteral("Rappelix n'a pas pu enregistrer les notes dans le dossier « %1 » : %2.")
        .arg(QDir::toNativeSeparators(m_session.file.folder()), result.reason);
}

void f_iir::reportWriteFailure(const SaveResult &result)
{
    // Not modal: the timer goes on trying while the message is up.
    MsgBox::warning(this, writeFailureText(result) +
                              QStringLiteral("\n\nLes notes restent dans Rappelix, qui réessaiera chaque minute."));
}

void f_iir::closeEvent(QCloseEvent *event)
{
    if (!m_session.flags.quitting) {
        // The close box never ends the program: it sends the window to the tray.
        event->ignore();
        m_tache_Click();
        return;
    }
    Flags &flags = m_session.flags;
    if (flags.autosave) {
        const SaveResult saved = m_session.ecrire_notes();
        // Ending now would lose what could not be written: the user decides.
        if (!saved && MsgBox::question(this, writeFailureText(saved) +
                                                 QStringLiteral("\n\nQuitter quand même ? Les dernières "
                                                                "modifications seront perdues.")) != QMessageBox::Yes) {
            flags.quitting = false;
            event->ignore();
            return;
        }
    }
    flags.autosave = false;
    for (int d = m_session.table.Rows() - 1; d >= 1; --d) {
        if (const int slot = SlotTable::fromCell(m_session.table.TextMatrix(d, Col::Slot)))
            closeNoteWindow(slot);
    }
    flags.autosave = true;
    event->accept();
    removeTrayIcon();
    emit quitRequested();
}

void f_iir::closeNoteWindow(int slot)
{
    if (f_test *w = fenetre(slot))
        w->close();
}

// The session ends (logout, shutdown): nothing typed may be lost. Each note window
// closes through its own handler, which writes the file while autosave is on.
void f_iir::sessionEnding()
{
    if (m_session.flags.textChanged)
        m_session.ecrire_notes();
    for (int s = 1; s <= SlotTable::kMax; ++s)
        if (m_session.slotTable.inUse(s))
            closeNoteWindow(s);
}
