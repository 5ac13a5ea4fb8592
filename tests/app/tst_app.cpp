// The main window as a whole: start-up, the close box, and the ways the program ends.
#include "app/f_iir.h"
#include "testutil.h"

#include <QAction>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

using testutil::readFile;
using testutil::writeFile;

namespace {
const QByteArray kTwoNotes =
    "\"Le 01/12 \xe0 16:26\",\"Acheter du pain~Appeler le \xa4garage\xa4\",\"lundi 08/12 9h30\",\"\"\r\n"
    "\"Le 02/12 \xe0 09:05\",\"Rendre les livres\",\"mardi 02/12 14h00\",\"1\"\r\n";

QStringList captions(const QList<QAction *> &actions)
{
    QStringList out;
    for (const QAction *a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}
} // namespace

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { testutil::useFrenchLocale(); }
    void firstStart();
    void startWithNotes();
    void menus();
    void closeBoxKeepsRunning();
    void quitWritesOnceAndEnds();
    void trayQuitWritesTwice();
    void sessionEndSavesTypedText();
};

void TestApp::firstStart()
{
    TempDataHome home;
    MockClock clock;
    f_iir w(clock);
    w.Form_Load();
    QVERIFY(QFileInfo(home.folder()).isDir());
    QCOMPARE(w.session().file.folder(), home.folder());
    const NoteTable &t = w.session().table;
    QCOMPARE(t.Rows(), 2);
    QCOMPARE(testutil::rowsOf(t), (QList<QStringList>{{"", "", "", "-1", ""}}));
    QCOMPARE(t.TextMatrix(0, 1), QStringLiteral("Note"));
    QCOMPARE(t.TextMatrix(0, 2), QStringLiteral("Alerte"));
    QCOMPARE(t.Row(), 1);
    QCOMPARE(w.gri->currentIndex().row(), 0);
    QVERIFY(w.gri->selectionModel()->isRowSelected(0, {}));
    // Only the note and alert columns show.
    for (int c : {0, 3, 4})
        QVERIFY(w.gri->isColumnHidden(c));
    QCOMPARE(w.gri->columnWidth(1), 427); // 6400 twips
    QCOMPARE(w.gri->columnWidth(2), 120); // 1800 twips
    // No preference file: the window comes up, centred on the screen.
    QVERIFY(w.isVisible());
    QCOMPARE(w.windowTitle(), QStringLiteral("Rappelix"));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(qAbs(w.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(w.frameGeometry().center().y() - screen.center().y()) <= 1);
    QCOMPARE(w.session().file.writeCount(), 0);
    QVERIFY(!QFile::exists(home.notesPath()));
}

void TestApp::startWithNotes()
{
    TempDataHome home;
    writeFile(home.notesPath(), kTwoNotes);
    MockClock clock;
    f_iir w(clock);
    w.Form_Load();
    const NoteTable &t = w.session().table;
    QCOMPARE(t.Rows(), 3);
    QCOMPARE(t.TextMatrix(1, Col::Text), QStringLiteral("Acheter du pain\r\nAppeler le \"garage\""));
    QCOMPARE(t.TextMatrix(2, Col::Alerted), QStringLiteral("1"));
    QCOMPARE(t.TextMatrix(1, Col::Slot), QString());
    QCOMPARE(w.gri->model()->rowCount(), 2);
    QCOMPARE(w.gri->model()->index(1, 2).data().toString(), QStringLiteral("mardi 02/12 14h00"));
    QCOMPARE(t.Row(), 1);
    for (int s = 1; s <= SlotTable::kMax; ++s)
        QVERIFY(!w.fenetre(s));
}

void TestApp::menus()
{
    TempDataHome home;
    MockClock clock;
    f_iir w(clock);
    QStringList bar;
    for (QAction *a : w.menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, (QStringList{"&Fichier", "&Liste", "&Options", "&?"}));
    QCOMPARE(captions(w.m_fichier->actions()), (QStringList{"Réduire", "&Imprimer", "-", "Quitter"}));
    QCOMPARE(captions(w.m_fenetre->actions()),
             (QStringList{"Tout afficher", "Tout masquer", "-", "Tout supprimer"}));
    QCOMPARE(captions(w.m_options->actions()), (QStringList{"&Démarrer dans la barre de tâche"}));
    QCOMPARE(captions(w.m_interro->actions()), (QStringList{"Aide...", "&A propos..."}));
    QCOMPARE(captions(w.mPopupSys->actions()), (QStringList{"&Nouvelle", "&Restaurer", " &Quitter"}));
    QVERIFY(!w.m_tb->isChecked());
}

void TestApp::closeBoxKeepsRunning()
{
    TempDataHome home;
    MockClock clock;
    f_iir w(clock);
    w.Form_Load();
    QSignalSpy quit(&w, &f_iir::quitRequested);
    QVERIFY(!w.close());
    QVERIFY(w.isMinimized() || !w.isVisible());
    QCOMPARE(quit.count(), 0);
    QCOMPARE(w.session().file.writeCount(), 0);
    QVERIFY(w.Timer1->isActive());
}

void TestApp::quitWritesOnceAndEnds()
{
    TempDataHome home;
    writeFile(home.notesPath(), kTwoNotes);
    MockClock clock;
    f_iir w(clock);
    w.Form_Load();
    QSignalSpy quit(&w, &f_iir::quitRequested);
    w.m_quitter->trigger();
    QCOMPARE(quit.count(), 1);
    QCOMPARE(w.session().file.writeCount(), 1);
    QCOMPARE(readFile(home.notesPath()), kTwoNotes);
}

void TestApp::trayQuitWritesTwice()
{
    TempDataHome home;
    writeFile(home.notesPath(), kTwoNotes);
    MockClock clock;
    f_iir w(clock);
    w.Form_Load();
    QSignalSpy quit(&w, &f_iir::quitRequested);
    w.mPopExit->trigger();
    QCOMPARE(quit.count(), 1);
    QCOMPARE(w.session().file.writeCount(), 2);
    QCOMPARE(readFile(home.notesPath()), kTwoNotes);
}

void TestApp::sessionEndSavesTypedText()
{
    TempDataHome home;
    writeFile(home.notesPath(), kTwoNotes);
    MockClock clock;
    f_iir w(clock);
    w.Form_Load();
    w.sessionEnding();
    QCOMPARE(w.session().file.writeCount(), 0); // nothing pending, nothing written
    w.session().table.setTextMatrix(2, Col::Text, QStringLiteral("Rendre les livres demain"));
    w.session().flags.textChanged = true;
    w.sessionEnding();
    QCOMPARE(w.session().file.writeCount(), 1);
    QVERIFY(readFile(home.notesPath()).contains("Rendre les livres demain"));
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
