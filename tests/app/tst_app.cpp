// The main window, through its own controls: how it starts and ends, what the user sees
// highlighted after a removal, its message boxes, and note windows in their cells.
#include "app/appstyle.h"
#include "help/msgbox.h"
#include "testapp.h"
#include "tray/appicon.h"

#include <QAccessible>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStyle>

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }
    void startsLight();
    void startInTray_data();
    void startInTray();
    void quit_data();
    void quit();
    void newNoteInItsCell();
    void removalKeepsHighlight_data();
    void removalKeepsHighlight();
    void messagesShowWholeText_data();
    void messagesShowWholeText();
    void keyboardAndAccessibility();
    void missedAlertsInGrey();
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
    QVERIFY(QTest::qWaitForWindowExposed(&app.w));
    const QByteArray mapped = testutil::readFile(maps);
    for (const char *library : {"/imageformats/", "libQt6PrintSupport", "libQt6Network"})
        QVERIFY2(!mapped.contains(library), library);
    const QIcon overflow = QApplication::style()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
    QVERIFY(!overflow.pixmap(16).isNull());
}

void TestApp::startInTray_data()
{
    QTest::addColumn<QByteArray>("pref"); // pref1.txt, or none
    QTest::addColumn<bool>("trayThere");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("minimised");
    QTest::newRow("no preference") << QByteArray() << true << true << false;
    QTest::newRow("preference on") << QByteArray("\"1\"\r\n") << true << false << false;
    QTest::newRow("an empty pref1.txt") << QByteArray("") << true << false << false;
    QTest::newRow("preference on, no notification area") << QByteArray("\"1\"\r\n") << false << true << true;
}

// With the preference the program starts with no window, its notes loaded; where there is no
// notification area to come back from, on the taskbar.
void TestApp::startInTray()
{
    QFETCH(QByteArray, pref);
    QFETCH(bool, trayThere);
    QFETCH(bool, shown);
    QFETCH(bool, minimised);
    App app(testutil::notesFile(2), MockClock().now(), false);
    if (!pref.isNull())
        testutil::writeFile(app.home.folder() + QStringLiteral("pref1.txt"), pref);
    app.w.setTrayAvailable(trayThere);
    app.w.Form_Load();
    QCOMPARE(app.w.isVisible(), shown);
    QCOMPARE(app.w.isMinimized(), minimised);
    QCOMPARE(App::child<QAction>(&app.w, "m_tb")->isChecked(), !pref.isNull());
    QCOMPARE(app.table().Rows(), 3);
}

void TestApp::quit_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("writes");
    QTest::newRow("Quitter") << "m_quitter" << 1; // once: the note windows close without writing
    QTest::newRow("tray menu's Quitter") << "mPopExit" << 2;
    QTest::newRow("close box") << "" << 0; // to the tray: the program goes on
}

void TestApp::quit()
{
    QFETCH(QString, how);
    QFETCH(int, writes);
    App app(testutil::notesFile(3));
    QSignalSpy quit(&app.w, &f_iir::quitRequested);
    app.trigger("m_toutafficher");
    App::child<QPlainTextEdit>(app.windowOf(2), "Text2")->setPlainText(QStringLiteral("dernier mot"));
    if (how.isEmpty())
        QVERIFY(!app.w.close());
    else
        app.trigger(qPrintable(how));
    QCOMPARE(quit.count(), how.isEmpty() ? 0 : 1);
    QCOMPARE(app.writes(), writes);
    QCOMPARE(app.openSlots().size(), how.isEmpty() ? 3 : 0);
    QCOMPARE(testutil::readFile(app.home.notesPath()).contains("dernier mot"), !how.isEmpty());
    QVERIFY(App::child<QTimer>(&app.w, "Timer1")->isActive());
}

// "Nouvelle" on the 800 x 800 offscreen screen: slot 1's cell is 4965 twips left of the right
// edge and 1680 above the bottom, 469 and 688 pixels; the window is stamped with the time.
void TestApp::newNoteInItsCell()
{
    App app;
    app.click("Command1");
    f_test *w = app.windowOf(1);
    QCOMPARE(w->frameGeometry().topLeft(), QPoint(469, 688));
    QCOMPARE(w->windowTitle(), QStringLiteral("Le 07/12 à 10:20"));
    QCOMPARE(app.cell(1, Col::Stamp), QStringLiteral("Le 07/12 à 10:20"));
    app.click("Command1");
    QCOMPARE(app.windowOf(2)->frameGeometry().topLeft(), QPoint(469, 576));
}

void TestApp::removalKeepsHighlight_data()
{
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("highlighted"); // the row that keeps the index, clamped to the last
    QTest::addColumn<QString>("shown");   // what "Voir" then opens; none on the placeholder
    QTest::newRow("Supprimer on row 1") << 1 << "Supprimer" << 1 << "deux";
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
    auto *gri = App::child<QTableView>(&app.w, "gri");
    app.select(clicked);
    if (command == QLatin1String("Supprimer")) {
        app.click("Command3");
    } else {
        MsgBox::setNextAnswer(QMessageBox::Yes);
        app.trigger("m_reinit");
    }
    const QModelIndexList selected = gri->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0].row() + 1, highlighted);
    QCOMPARE(gri->currentIndex().row() + 1, highlighted);
    app.click("Command2");
    QCOMPARE(app.openSlots().size(), shown.isEmpty() ? 0 : 1);
    if (!shown.isEmpty())
        QCOMPARE(App::child<QPlainTextEdit>(app.windowOf(highlighted), "Text2")->toPlainText(), shown);
}

void TestApp::messagesShowWholeText_data()
{
    QTest::addColumn<QFont>("font");
    QTest::newRow("desktop font") << QApplication::font();
    QTest::newRow("small") << QFont(QStringLiteral("DejaVu Sans"), 7);
    QTest::newRow("large serif") << QFont(QStringLiteral("DejaVu Serif"), 16);
}

// A message box's text is laid out whole, in any font: the question of "Tout supprimer" and the
// about box.
void TestApp::messagesShowWholeText()
{
    QFETCH(QFont, font);
    const QFont before = QApplication::font();
    QApplication::setFont(font);
    App app;
    QStringList seen, cut;
    auto check = [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        const auto *label = App::child<QLabel>(box, "qt_msgbox_label");
        const QRect room = label->contentsRect();
        const QRect need = label->fontMetrics().boundingRect(room, int(label->alignment()) | Qt::TextWordWrap,
                                                             label->text());
        seen << label->text();
        if (!room.contains(need))
            cut << label->text();
        box->reject();
    };
    QTimer::singleShot(0, check);
    app.trigger("m_reinit");
    QTimer::singleShot(0, check);
    app.trigger("m_apropos");
    QApplication::setFont(before);
    QCOMPARE(seen, (QStringList{"Confirmez vous la suppression de toutes les lignes", "Rappelix v1.2"}));
    QCOMPARE(cut, QStringList());
}

// Suppr, Entrée on the list, Ctrl+N, F1 and Ctrl+Q reach their commands; the list and the note
// show two columns to assistive technologies, under names; Tab leaves a note's text.
void TestApp::keyboardAndAccessibility()
{
    App app(testutil::notesFile(2));
    QSignalSpy quit(&app.w, &f_iir::quitRequested);
    auto *gri = App::child<QTableView>(&app.w, "gri");
    app.w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&app.w));
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(gri);
    QCOMPARE(list->text(QAccessible::Name), QStringLiteral("Liste des notes"));
    QCOMPARE(list->tableInterface()->columnCount(), 2);
    gri->setFocus();
    QTest::keyClick(gri, Qt::Key_Return);
    f_test *w = app.windowOf(1);
    QVERIFY(w);
    auto *text = App::child<QPlainTextEdit>(w, "Text2");
    QCOMPARE(QAccessible::queryAccessibleInterface(text)->text(QAccessible::Name), QStringLiteral("Texte de la note"));
    const auto labels = QAccessible::queryAccessibleInterface(App::child(w, "Combo2"))->relations(QAccessible::Label);
    QCOMPARE(labels.value(0).first->text(QAccessible::Name), QStringLiteral("à"));
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    text->setFocus();
    QTest::keyClick(text, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), App::child(w, "Command1"));
    QCOMPARE(app.cell(1, Col::Text), QStringLiteral("note 1"));

    app.w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&app.w));
    QTest::keySequence(&app.w, QKeySequence(QStringLiteral("Ctrl+N")));
    QCOMPARE(app.table().Rows(), 4);
    app.select(2);
    QTest::keyClick(gri, Qt::Key_Delete);
    QCOMPARE(app.table().Rows(), 3);
    QCOMPARE(app.cell(2, Col::Stamp), QStringLiteral("Le 07/12 à 10:20"));
    QTest::keyClick(gri, Qt::Key_F1);
    QTRY_VERIFY(QApplication::activeWindow() && QApplication::activeWindow()->windowTitle() == QLatin1String("Aide"));
    app.w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&app.w));
    QTest::keySequence(&app.w, QKeySequence(QStringLiteral("Ctrl+Q")));
    QCOMPARE(quit.count(), 1);
}

// On Monday 7 December, an alert of the fifteen days before that never fell due is drawn in grey;
// nothing is written for it.
void TestApp::missedAlertsInGrey()
{
    const QByteArray notes = testutil::records({{"", "hier", "dimanche 06/12 9h30", ""},
                                                {"", "hier, échue", "dimanche 06/12 9h30", "1"},
                                                {"", "il y a quinze jours", "dimanche 22/11 7h00", ""},
                                                {"", "il y a seize jours", "samedi 21/11 7h00", ""},
                                                {"", "aujourd'hui", "lundi 07/12 9h00", ""}});
    App app(notes);
    const QAbstractItemModel *list = App::child<QTableView>(&app.w, "gri")->model();
    QList<bool> grey;
    for (int r = 0; r < list->rowCount(); ++r)
        grey << (list->data(list->index(r, 1), Qt::ForegroundRole).value<QColor>() == QColor(Qt::gray));
    QCOMPARE(grey, (QList<bool>{true, false, true, false, false}));
    QCOMPARE(testutil::readFile(app.home.notesPath()), notes);
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
