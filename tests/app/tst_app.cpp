// The main window: the ways it ends, and the list commands on real note windows and the real
// notes file.
#include "app/appstyle.h"
#include "app/msgbox.h"
#include "tray/appicon.h"
#include "testapp.h"

#include <QPlainTextEdit>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTableView>
#include <QSignalSpy>
#include <QStyle>
#include <QtTest>

namespace {
const QList<QStringList> kPlaceholder = {{"", "", "", "-1", ""}};
}

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void startsLight();
    void quit_data();
    void quit();
    void newNote();
    void deleteRenumbersOpenWindows();
    void deleteAll();
    void messagesShowWholeText_data();
    void messagesShowWholeText();
    void removalKeepsHighlight_data();
    void removalKeepsHighlight();
    void showAllAndHideAll();
};

// Reading the icons, the notes and the list at start-up loads no image plugin, and printing
// and networking stay out until used; the menu bar's overflow icon still comes when asked for.
void TestApp::startsLight()
{
    const QString maps = QStringLiteral("/proc/self/maps");
    if (!QFile::exists(maps))
        QSKIP("no /proc/self/maps here");
    installApplicationStyle();
    QApplication::setWindowIcon(applicationIcon());
    App app(testutil::notesFile(3));
    app.w.restaurer_fenetre();
    QVERIFY(QTest::qWaitForWindowExposed(&app.w));
    const QByteArray mapped = testutil::readFile(maps);
    for (const char *library : {"/imageformats/", "libQt6PrintSupport", "libQt6Network"})
        QVERIFY2(!mapped.contains(library), library);
    const QIcon overflow = QApplication::style()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
    QVERIFY(!overflow.pixmap(16).isNull());
}

void TestApp::quit_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("writes");
    QTest::newRow("Quitter") << "Quitter" << 1; // once: the note windows close without writing
    QTest::newRow("tray menu's Quitter") << " &Quitter" << 2;
    QTest::newRow("close box") << "close box" << 0; // to the tray: the program goes on
}

void TestApp::quit()
{
    QFETCH(QString, how);
    QFETCH(int, writes);
    const bool ends = how != QLatin1String("close box");
    App app(testutil::notesFile(3));
    QSignalSpy quit(&app.w, &f_iir::quitRequested);
    app.w.m_toutafficher_Click();
    app.windowOf(2)->Text2->setPlainText(QStringLiteral("dernier mot"));
    if (!ends)
        QVERIFY(!app.w.close());
    else
        (how == QLatin1String("Quitter") ? app.w.m_quitter : app.w.mPopExit)->trigger();
    QCOMPARE(quit.count(), ends ? 1 : 0);
    QCOMPARE(app.writes(), writes);
    QCOMPARE(app.openSlots().size(), ends ? 0 : 3);
    QCOMPARE(testutil::readFile(app.home.notesPath()).contains("dernier mot"), ends);
    QVERIFY(app.w.Timer1->isActive());
}

// "Nouvelle" takes the placeholder row, then appends, up to 100 notes; "Voir", "Supprimer" and
// "Tout afficher" leave the placeholder alone.
void TestApp::newNote()
{
    App app;
    app.w.Command2_Click();
    app.w.Command3_Click();
    app.w.m_toutafficher_Click();
    QCOMPARE(testutil::rowsOf(app.table()), kPlaceholder);
    app.w.Command1_Click();
    app.w.Command1_Click();
    QCOMPARE(app.table().Rows(), 3);
    QCOMPARE(app.windowOf(1)->windowTitle(), QStringLiteral("Le 07/12 à 10:20"));
    QCOMPARE(app.cell(1, Col::Stamp), QStringLiteral("Le 07/12 à 10:20"));
    QCOMPARE(app.windowOf(2)->pos(), app.cellOf(2));
    QCOMPARE(app.writes(), 0); // the file gets them at the next write

    App full(testutil::notesFile(100));
    full.w.Command1_Click();
    QCOMPARE(full.table().Rows(), 101);
    full.w.Command3_Click(); // on row 1
    full.w.Command1_Click();
    QCOMPARE(full.table().Rows(), 101);
    QCOMPARE(full.openSlots(), QList<int>{1});
}

// Open windows go on showing their own notes once the rows above them go; the last note
// deleted, the placeholder is back.
void TestApp::deleteRenumbersOpenWindows()
{
    App app(testutil::notesFile(4));
    for (int row : {3, 4, 1}) // slots 1, 2, 3
        app.view(row);
    app.table().setRow(2);
    app.w.Command3_Click();
    QCOMPARE(app.table().Rows(), 4);
    QCOMPARE(app.w.fenetre(1)->f_pos, 2);
    QCOMPARE(app.w.fenetre(2)->f_pos, 3);
    QCOMPARE(app.w.fenetre(3)->f_pos, 1);
    app.w.fenetre(2)->Text2->setPlainText(QStringLiteral("quatre"));
    QCOMPARE(app.cell(3, Col::Text), QStringLiteral("quatre"));
    for (int n = 0; n < 3; ++n) {
        app.table().setRow(1);
        app.w.Command3_Click();
    }
    QCOMPARE(testutil::rowsOf(app.table()), kPlaceholder);
    QVERIFY(app.openSlots().isEmpty());
}

void TestApp::deleteAll()
{
    App app(testutil::notesFile(3));
    app.view(1);
    MsgBox::setNextAnswer(QMessageBox::No);
    app.w.m_reinit_Click();
    QCOMPARE(app.table().Rows(), 4);
    MsgBox::setNextAnswer(QMessageBox::Yes);
    app.w.m_reinit_Click();
    QCOMPARE(testutil::rowsOf(app.table()), kPlaceholder);
    QVERIFY(app.openSlots().isEmpty());
    QCOMPARE(app.writes(), 1); // once, not once a window
    QCOMPARE(testutil::readFile(app.home.notesPath()), QByteArray("\"\",\"\",\"\",\"\"\r\n"));
}

void TestApp::messagesShowWholeText_data()
{
    QTest::addColumn<QFont>("font");
    QTest::newRow("desktop font") << QApplication::font();
    QTest::newRow("small") << QFont(QStringLiteral("DejaVu Sans"), 7);
    QTest::newRow("large serif") << QFont(QStringLiteral("DejaVu Serif"), 16);
}

// A message box's text is laid out whole, in any font: the question of "Tout supprimer", the
// about box, the warning of a failed write.
void TestApp::messagesShowWholeText()
{
    QFETCH(QFont, font);
    const QFont before = QApplication::font();
    QApplication::setFont(font);
    App app;
    QStringList seen, cut;
    auto check = [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        const QRect room = label->contentsRect();
        const QRect need = label->fontMetrics().boundingRect(room, int(label->alignment()) | Qt::TextWordWrap,
                                                             label->text());
        seen << label->text();
        if (!room.contains(need))
            cut << label->text();
        box->reject();
    };
    QTimer::singleShot(0, check);
    app.w.m_reinit->trigger();
    QTimer::singleShot(0, check);
    app.w.m_apropos->trigger();
    QApplication::setFont(before);
    QCOMPARE(seen, (QStringList{"Confirmez vous la suppression de toutes les lignes", "Rappelix v1.2"}));
    QCOMPARE(cut, QStringList());
}

void TestApp::removalKeepsHighlight_data()
{
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("highlighted"); // the row that keeps the index, clamped to the last
    QTest::addColumn<QString>("shown");   // what "Voir" then opens; none on the placeholder
    QTest::newRow("Supprimer on row 1") << 1 << "Supprimer" << 1 << "deux";
    QTest::newRow("Supprimer on row 2") << 2 << "Supprimer" << 2 << "trois";
    QTest::newRow("Supprimer on the last row") << 3 << "Supprimer" << 2 << "deux";
    QTest::newRow("Tout supprimer") << 2 << "Tout supprimer" << 1 << "";
}

// After a removal the highlighted row and the current row are one, and the next command acts
// on the note the user sees highlighted: all through the list's own selection.
void TestApp::removalKeepsHighlight()
{
    QFETCH(int, clicked);
    QFETCH(QString, command);
    QFETCH(int, highlighted);
    QFETCH(QString, shown);
    App app(testutil::records({{"", "un", "", ""}, {"", "deux", "", ""}, {"", "trois", "", ""}}));
    auto *gri = app.w.findChild<QTableView *>(QStringLiteral("gri"));
    QTest::mouseClick(gri->viewport(), Qt::LeftButton, {}, gri->visualRect(gri->model()->index(clicked - 1, 1)).center());
    QCOMPARE(app.table().Row(), clicked);
    if (command == QLatin1String("Supprimer")) {
        QTest::mouseClick(app.w.findChild<QPushButton *>(QStringLiteral("Command3")), Qt::LeftButton);
    } else {
        MsgBox::setNextAnswer(QMessageBox::Yes);
        app.w.m_reinit->trigger();
    }
    const QModelIndexList selected = gri->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0].row() + 1, highlighted);
    QCOMPARE(gri->currentIndex().row() + 1, highlighted);
    QCOMPARE(app.table().Row(), highlighted);
    QTest::mouseClick(app.w.findChild<QPushButton *>(QStringLiteral("Command2")), Qt::LeftButton);
    QCOMPARE(app.openSlots().size(), shown.isEmpty() ? 0 : 1);
    if (!shown.isEmpty())
        QCOMPARE(app.windowOf(highlighted)->Text2->toPlainText(), shown);
}

// An open window comes forward as it is; closed and shown again, its note is read afresh.
void TestApp::showAllAndHideAll()
{
    App app(testutil::notesFile(4));
    QCOMPARE(app.view(3)->pos(), app.cellOf(1));
    app.table().setTextMatrix(3, Col::Text, QStringLiteral("ailleurs"));
    app.w.m_toutafficher_Click();
    QCOMPARE(app.openSlots(), (QList<int>{1, 2, 3, 4}));
    QCOMPARE(app.windowOf(1)->pos(), app.cellOf(2));
    QCOMPARE(app.view(3)->Text2->toPlainText(), QStringLiteral("note 3"));
    QCOMPARE(app.writes(), 0);
    app.w.m_toutmasquer_Click();
    QVERIFY(app.openSlots().isEmpty());
    QCOMPARE(app.writes(), 4); // each closing window writes
    QCOMPARE(app.view(3)->Text2->toPlainText(), QStringLiteral("ailleurs"));
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
