// The main window through its controls: start, the highlight after a removal, messages, help, fonts.
#include "testapp.h"
#include "ui/msgbox.h"

#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>

namespace {
// The help text's 21 lines as written, each ended by a line break; some end with a blank.
const QStringList kHelp = {
    "Créer une note :",
    QString(24, u'-'),
    "Cliquer simplement sur \"Nouvelle\" et saisir le contenu de la note. ",
    "On peut saisir la date et l'heure à laquelle on veut être alerté en ",
    "clickant sur \"M'alerter\".",
    "On peut fermer la fenêtre en clickant sur la croix en haut à droite ",
    "mais les informations sont automatiquement mémorisées dans ",
    "tous les cas.",
    "Il est possible également de créer une note en faisant click droit ",
    "sur l'icône dans la barre de tâches et en clickant sur \"Nouvelle\".",
    "",
    "Afficher une note :",
    QString(26, u'-'),
    "Si la fenêtre d'une note n'est pas déjà affichée, on peut la faire ",
    "apparaître en double-clickant sur la note dans la liste ou en la ",
    "sélectionnant et en clickant sur \"Voir\".",
    "",
    "Supprimer une note :",
    QString(31, u'-'),
    "Sélectionner la note à supprimer dans la liste et clicker sur ",
    "\"Supprimer\".",
    "",
};
} // namespace

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }

    // With pref1.txt, even empty, the program starts with no window but its notes loaded; with
    // no notification area to come back from, minimised.
    void startInTray_data()
    {
        QTest::addColumn<QByteArray>("pref");
        QTest::addColumn<bool>("trayThere");
        QTest::addColumn<QList<bool>>("shownMinimisedChecked");
        QTest::newRow("no pref1.txt") << QByteArray() << true << QList<bool>{true, false, false};
        QTest::newRow("an empty pref1.txt") << QByteArray("") << true << QList<bool>{false, false, true};
        QTest::newRow("pref1.txt, no notification area")
            << QByteArray("\"1\"\r\n") << false << QList<bool>{true, true, true};
    }
    void startInTray()
    {
        QFETCH(QByteArray, pref);
        QFETCH(bool, trayThere);
        QFETCH(QList<bool>, shownMinimisedChecked);
        App app(testutil::notesFile(2), MockClock().now(), false);
        if (!pref.isNull())
            testutil::writeFile(app.home.folder() + QStringLiteral("pref1.txt"), pref);
        app.w.setTrayAvailable(trayThere);
        app.w.Form_Load();
        QCOMPARE((QList<bool>{app.w.isVisible(), app.w.isMinimized(),
                              App::child<QAction>(&app.w, "m_tb")->isChecked()}),
                 shownMinimisedChecked);
        QCOMPARE(app.table().Rows(), 3);
    }

    // "Tout supprimer" answered Non changes nothing: the list stays, and what is typed afterwards
    // is written by every path.
    void removeAllAnsweredNo_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("the note closing") << "close";
        QTest::newRow("the focus leaving") << "focus";
        QTest::newRow("Quitter") << "m_quitter";
    }
    void removeAllAnsweredNo()
    {
        QFETCH(QString, path);
        App app(
            testutil::records({{"Le 01/12 à 16:26", "un", "", ""}, {"Le 01/12 à 16:27", "deux", "", ""}}));
        f_test *w = app.view(2);
        QVERIFY(w);
        MsgBox::setNextAnswer(QMessageBox::No);
        app.trigger("m_reinit");
        QCOMPARE(app.table().Rows(), 3);
        auto *text = App::child<QPlainTextEdit>(w, "Text2");
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        text->setFocus();
        QTest::keyClicks(text, " encore");
        if (path == "close")
            w->close();
        else if (path == "focus")
            App::child<QWidget>(w, "Command1")->setFocus();
        else
            app.trigger(qPrintable(path));
        QCOMPARE(app.stored(), (QList<QStringList>{{"Le 01/12 à 16:26", "un", "", "", ""},
                                                   {"Le 01/12 à 16:27", "deux encore", "", "", ""}}));
    }

    // A folder named planifs.txt is told at start-up with where it is kept, and nothing is written.
    void unreadableToldAtStart()
    {
        App app({}, MockClock().now(), false);
        QVERIFY(QDir().mkpath(app.home.notesPath()));
        app.w.Form_Load();
        const QString kept = app.home.folder() + QStringLiteral("planifs-endommage-20261207-102000.txt");
        QVERIFY(QFileInfo(kept).isDir() && !QFileInfo::exists(app.home.notesPath()));
        QMessageBox *box = App::child<QMessageBox>(&app.w, "");
        QCOMPARE(
            box ? box->text() : QString(),
            QStringLiteral("Rappelix n'a pas pu lire les notes (« %1 ») : c'est un dossier. L'original est "
                           "gardé sous « %2 » ; la liste commence vide.")
                .arg(app.home.notesPath(), kept));
        QTRY_VERIFY(box->isVisible()); // over the main window, once that shows
        QVERIFY(app.w.isVisible() && app.w.frameGeometry().contains(box->frameGeometry().center()));
        box->close();
    }

    // After a removal, or a click below the rows, the highlighted row and the current row are one,
    // through the list's selection: the row keeps its index, clamped to the last; "Voir" then
    // opens that note.
    void removalKeepsHighlight_data()
    {
        QTest::addColumn<int>("clicked");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("highlighted");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a click below the rows") << 2 << "" << 2 << "deux";
        QTest::newRow("Supprimer on the first row") << 1 << "Command3" << 1 << "deux";
        QTest::newRow("Supprimer on the last row") << 3 << "Command3" << 2 << "deux";
        QTest::newRow("Tout supprimer") << 2 << "m_reinit" << 1 << "";
    }
    void removalKeepsHighlight()
    {
        QFETCH(int, clicked);
        QFETCH(QString, command);
        QFETCH(int, highlighted);
        QFETCH(QString, shown);
        App app(testutil::records({{"", "un", "", ""}, {"", "deux", "", ""}, {"", "trois", "", ""}}));
        app.select(clicked);
        MsgBox::setNextAnswer(QMessageBox::Yes);
        if (command.isEmpty()) // where there is no row
            QTest::mouseClick(app.gri->viewport(), Qt::LeftButton, {},
                              {5, app.gri->viewport()->height() - 5});
        else
            command.startsWith(u'C') ? app.click(qPrintable(command)) : app.trigger(qPrintable(command));
        const QModelIndexList selected = app.gri->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE((QList<int>{selected[0].row() + 1, app.gri->currentIndex().row() + 1}),
                 (QList<int>{highlighted, highlighted}));
        app.click("Command2");
        f_test *w = app.windowOf(highlighted);
        QCOMPARE(w ? App::child<QPlainTextEdit>(w, "Text2")->toPlainText() : QString(), shown);
    }

    // "Aide..." twice: one help window, with the written text; what is typed there is gone once
    // it is closed and asked for again.
    void help()
    {
        App app;
        const auto helpWindows = [] {
            QList<QPlainTextEdit *> shown;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *text = App::child<QPlainTextEdit>(w, "Text1"); text && w->isVisible())
                    shown << text;
            return shown;
        };
        for (int round = 0; round < 2; ++round) {
            app.trigger("m_aide");
            app.trigger("m_aide");
            QCOMPARE(helpWindows().size(), 1);
            QPlainTextEdit *text = helpWindows()[0];
            QCOMPARE(text->toPlainText().split(u'\n'), kHelp);
            QTest::keyClicks(text, "tape");
            QTest::mouseClick(App::child<QPushButton>(text->window(), "Command1"), Qt::LeftButton);
            QVERIFY(helpWindows().isEmpty());
        }
    }

    // A desktop font larger than the default: the note text, the list and the help text take its
    // size (never smaller than their own) and their windows grow in proportion, so that they show
    // as many characters; at the default font nothing moves. Widths: the client widths in twips
    // (4905, 8625, 6465) times the desktop's size over the text's written one (8.25, 9, 9.75 pt).
    void fontsFollowDesktop_data()
    {
        QTest::addColumn<int>("points"); // 0: the test platform's own
        QTest::addColumn<double>("noteText");
        QTest::addColumn<int>("noteWidth");
        QTest::addColumn<int>("mainWidth");
        QTest::addColumn<double>("helpText");
        QTest::addColumn<int>("helpWidth");
        QTest::newRow("default") << 0 << 8.25 << 327 << 575 << 9.75 << 431;
        QTest::newRow("9 pt") << 9 << 8.25 << 327 << 575 << 9.75 << 431;
        QTest::newRow("12 pt") << 12 << 12.0 << 476 << 767 << 12.0 << 531;
        QTest::newRow("16 pt") << 16 << 16.0 << 635 << 1023 << 16.0 << 708;
    }
    void fontsFollowDesktop()
    {
        QFETCH(int, points);
        const auto restore =
            desktopFont(points ? QFont(QStringLiteral("DejaVu Sans"), points) : QApplication::font());
        App app;
        QTEST(app.w.width(), "mainWidth");
        QCOMPARE(app.gri->font().pointSizeF(), QApplication::font().pointSizeF());
        app.click("Command1");
        f_test *note = app.windowOf(1);
        QVERIFY(note);
        QTEST(note->width(), "noteWidth");
        QTEST(App::child<QPlainTextEdit>(note, "Text2")->font().pointSizeF(), "noteText");
        app.trigger("m_aide");
        QPlainTextEdit *help = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *text = App::child<QPlainTextEdit>(w, "Text1"); text && w->isVisible())
                help = text;
        QVERIFY(help);
        QTEST(help->font().pointSizeF(), "helpText");
        QTEST(help->window()->width(), "helpWidth");
        help->window()->close();
    }

    // The question of "Tout supprimer", the about box and the list's Alerte column (the window
    // keeping its width) show their text whole, in any font.
    void messagesShowWholeText_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<int>("width"); // 8625 twips, grown at a font above 9 points by 16 / 9
        QTest::newRow("the desktop's") << QApplication::font() << 575;
        QTest::newRow("7 points") << QFont(QStringLiteral("DejaVu Sans"), 7) << 575;
        QTest::newRow("16 points, serif") << QFont(QStringLiteral("DejaVu Serif"), 16) << 1023;
    }
    void messagesShowWholeText()
    {
        QFETCH(QFont, font);
        const auto restore = desktopFont(font);
        QStringList seen, cut;
        App app(testutil::records({{"Le 01/12 à 16:26", "pain", "mercredi 16/12 19h45", ""}}));
        if (app.gri->columnWidth(1) < static_cast<QAbstractItemView *>(app.gri)->sizeHintForColumn(1))
            cut << app.cell(1, Col::Alert);
        QTEST(app.w.width(), "width");
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
        QCOMPARE(seen, (QStringList{"Confirmez vous la suppression de toutes les lignes", "Rappelix v1.2"}));
        QCOMPARE(cut, QStringList());
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
