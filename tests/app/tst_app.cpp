// The main window through its controls: start and end, the highlight after a removal, messages, keys.
#include "help/msgbox.h"
#include "testapp.h"

#include <QAccessible>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }

    // With pref1.txt, even empty, the program starts with no window but its notes loaded; with
    // no notification area to come back from, minimised.
    void startInTray()
    {
        for (auto [pref, trayThere] :
             QList<std::pair<QByteArray, bool>>{{QByteArray(), true}, {"", true}, {"\"1\"\r\n", false}}) {
            App app(testutil::notesFile(2), MockClock().now(), false);
            if (!pref.isNull())
                testutil::writeFile(app.home.folder() + QStringLiteral("pref1.txt"), pref);
            app.w.setTrayAvailable(trayThere);
            app.w.Form_Load();
            QCOMPARE((QList<bool>{app.w.isVisible(), app.w.isMinimized(),
                                  App::child<QAction>(&app.w, "m_tb")->isChecked()}),
                     (QList<bool>{pref.isNull() || !trayThere, !trayThere, !pref.isNull()}));
            QCOMPARE(app.table().Rows(), 3);
        }
    }

    // "Quitter" writes once (the note windows close without writing), the tray menu's too after
    // its own write; the close box only hides: the program and its timer go on.
    void quit()
    {
        for (auto [how, writes] :
             QList<std::pair<QString, int>>{{"m_quitter", 1}, {"mPopExit", 2}, {"", 0}}) {
            App app(testutil::notesFile(3));
            QSignalSpy quit(&app.w, &f_iir::quitRequested);
            app.trigger("m_toutafficher");
            App::child<QPlainTextEdit>(app.windowOf(2), "Text2")->setPlainText(QStringLiteral("dernier mot"));
            how.isEmpty() ? void(app.w.close()) : app.trigger(qPrintable(how));
            QCOMPARE(quit.count(), how.isEmpty() ? 0 : 1);
            QCOMPARE(app.w.session().file.writeCount(), writes);
            QCOMPARE(app.openSlots().size(), how.isEmpty() ? 3 : 0);
            QCOMPARE(testutil::readFile(app.home.notesPath()).contains("dernier mot"), !how.isEmpty());
            QVERIFY(App::child<QTimer>(&app.w, "Timer1")->isActive());
        }
    }

    // After a removal, or a click below the rows, the highlighted row and the current row are one,
    // through the list's selection: the row keeps its index, clamped to the last; "Voir" then
    // opens that note.
    void removalKeepsHighlight()
    {
        for (auto [clicked, command, highlighted, shown] :
             QList<std::tuple<int, const char *, int, QString>>{{2, "", 2, "deux"},
                                                                {1, "Command3", 1, "deux"},
                                                                {3, "Command3", 2, "deux"},
                                                                {2, "m_reinit", 1, ""}}) {
            App app(testutil::records({{"", "un", "", ""}, {"", "deux", "", ""}, {"", "trois", "", ""}}));
            app.select(clicked);
            MsgBox::setNextAnswer(QMessageBox::Yes);
            if (!*command) // where there is no row
                QTest::mouseClick(app.gri->viewport(), Qt::LeftButton, {},
                                  {5, app.gri->viewport()->height() - 5});
            else
                command[0] == 'C' ? app.click(command) : app.trigger(command);
            const QModelIndexList selected = app.gri->selectionModel()->selectedRows();
            QCOMPARE(selected.size(), 1);
            QCOMPARE((QList<int>{selected[0].row() + 1, app.gri->currentIndex().row() + 1}),
                     (QList<int>{highlighted, highlighted}));
            app.click("Command2");
            f_test *w = app.windowOf(highlighted);
            QCOMPARE(w ? App::child<QPlainTextEdit>(w, "Text2")->toPlainText() : QString(), shown);
        }
    }

    // The question of "Tout supprimer" and the about box lay their text out whole, in any font.
    void messagesShowWholeText()
    {
        const QFont desktop = QApplication::font();
        QStringList seen, cut;
        for (const QFont &font :
             {desktop, QFont(QStringLiteral("DejaVu Sans"), 7), QFont(QStringLiteral("DejaVu Serif"), 16)}) {
            QApplication::setFont(font);
            App app;
            for (const char *command : {"m_reinit", "m_apropos"}) {
                QTimer::singleShot(0, [&] {
                    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                    const auto *label = App::child<QLabel>(box, "qt_msgbox_label");
                    const QRect room = label->contentsRect();
                    seen << label->text();
                    if (!room.contains(label->fontMetrics().boundingRect(
                            room, int(label->alignment()) | Qt::TextWordWrap, label->text())))
                        cut << label->text();
                    box->reject();
                });
                app.trigger(command);
            }
        }
        QApplication::setFont(desktop);
        QCOMPARE(seen.mid(0, 2),
                 (QStringList{"Confirmez vous la suppression de toutes les lignes", "Rappelix v1.2"}));
        QCOMPARE(cut, QStringList());
    }

    // Entrée on the list, Ctrl+N, Suppr; two columns and names for assistive technologies; Tab
    // leaves a note's text.
    void keyboardAndAccessibility()
    {
        App app(testutil::notesFile(2));
        auto active = [](QWidget *w) {
            w->activateWindow();
            return QTest::qWaitForWindowActive(w);
        };
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(app.gri);
        QCOMPARE(list->text(QAccessible::Name), QStringLiteral("Liste des notes"));
        QCOMPARE(list->tableInterface()->columnCount(), 2);
        QVERIFY(active(&app.w));
        QTest::keyClick(app.gri, Qt::Key_Return);
        f_test *w = app.windowOf(1);
        auto *text = App::child<QPlainTextEdit>(w, "Text2");
        QCOMPARE(QAccessible::queryAccessibleInterface(text)->text(QAccessible::Name),
                 QStringLiteral("Texte de la note"));
        QVERIFY(active(w));
        QTest::keyClick(text, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), App::child(w, "Command1"));
        QCOMPARE(app.cell(1, Col::Text), QStringLiteral("note 1"));
        QVERIFY(active(&app.w));
        QTest::keySequence(&app.w, QKeySequence(QStringLiteral("Ctrl+N")));
        QCOMPARE(app.windowOf(3)->windowTitle(), QStringLiteral("Le 07/12 à 10:20"));
        app.select(2);
        QTest::keyClick(app.gri, Qt::Key_Delete);
        QCOMPARE(testutil::rowsOf(app.table())[1][Col::Stamp], QStringLiteral("Le 07/12 à 10:20"));
    }

    // A minimised note window comes back on the screen for "Voir" and "Tout afficher".
    void minimisedNoteComesBack()
    {
        for (const char *how : {"Command2", "m_toutafficher"}) {
            App app(testutil::notesFile(1));
            f_test *w = app.view(1);
            w->showMinimized();
            how[0] == 'C' ? app.click(how) : app.trigger(how);
            QVERIFY2(w->isVisible() && !w->isMinimized(), how);
        }
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
