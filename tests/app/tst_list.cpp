// The list commands on the real table and file, through logging note windows; window placement.
#include "app/placement.h"
#include "session/listcommands.h"
#include "testutil.h"

namespace {
const QStringList kPlaceholder = {"", "", "", "-1", ""};

QList<QStringList> notes(int n)
{
    QList<QStringList> rows;
    for (int i = 1; i <= n; ++i)
        rows << QStringList{"Le 01/12 à 10:00", QStringLiteral("note %1").arg(i), "", "", ""};
    return rows;
}

struct List : FakeSession {
    using FakeSession::FakeSession;
    QStringList slots_()
    {
        QStringList cells;
        for (const QStringList &row : testutil::rowsOf(session.table))
            cells << row[Col::Slot];
        return cells;
    }
    ListCommands list{session};
};
} // namespace

class TestList : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }

    // "Nouvelle" takes the placeholder row (which "Voir" and "Tout afficher" leave alone), then
    // appends, up to 100 notes, writing nothing; the blank row that has a window keeps that one;
    // a note of line breaks or tabs is not blank.
    void newNote()
    {
        List empty({kPlaceholder});
        empty.list.view();
        empty.list.showAll();
        empty.list.newNote();
        empty.session.table.setTextMatrix(1, Col::Text, "pain"); // typed in its window
        empty.list.newNote();
        QCOMPARE(empty.log,
                 (QStringList{"open 1 in 1 (new)", "activate 1", "open 2 in 2 (new)", "activate 2"}));
        QCOMPARE(empty.slots_(), (QStringList{"1", "2"}));
        QCOMPARE(empty.session.file.writeCount(), 0);
        List blank({{"", "", "", "", ""}}, {1});
        blank.list.newNote();
        QCOMPARE(blank.log, QStringList{"activate 1"});
        for (const char *text : {"\r\n", "\t"}) { // only spaces make a row blank
            List kept({{"", text, "", "", ""}});
            kept.list.newNote();
            QCOMPARE(kept.log, (QStringList{"open 2 in 1 (new)", "activate 1"}));
        }
        List full(notes(100));
        full.list.newNote();
        full.list.remove(); // row 1
        full.list.newNote();
        QCOMPARE(full.log, (QStringList{"open 100 in 1 (new)", "activate 1"}));
    }

    // "Voir" opens the current row's window or brings it forward; "Tout afficher" does so for
    // each row in order, lowest free slots first.
    void viewAndShowAll()
    {
        List list(notes(4), {1, 2, 3});
        list.session.windows.windowOfRow(2)->closeWindow();
        for (int row : {3, 4}) {
            list.session.table.setRow(row);
            list.list.view();
        }
        list.list.showAll();
        QCOMPARE(list.log, (QStringList{"close 2", "activate 3", "open 4 in 2 (existing)", "activate 2",
                                        "activate 1", "open 2 in 4 (existing)", "activate 3", "activate 2"}));
    }

    // The written example: row 2 of 5 removed while rows 1, 3 and 5 have windows in slots 4, 1
    // and 2. A closing window writes while its row is there; the last note becomes the placeholder.
    void remove()
    {
        List list(notes(5), {3, 5, 2, 1});
        list.session.windows.windowOfRow(2)->closeWindow();
        list.session.table.setRow(2);
        list.list.remove();
        QCOMPARE(list.slots_(), (QStringList{"4", "1", "", "2"}));
        QCOMPARE((QList<int>{list.session.windows.fenetre(1)->f_pos, list.session.windows.fenetre(2)->f_pos,
                             list.session.windows.fenetre(4)->f_pos}),
                 (QList<int>{2, 4, 1}));
        List one(notes(1), {1});
        one.list.remove();
        one.list.remove();
        one.session.flushWrites(QDeadlineTimer(10000));
        QCOMPARE(one.log, QStringList{"close 1"});
        QCOMPARE(testutil::storedRows(one.home.folder()), notes(1));
        QCOMPARE(testutil::rowsOf(one.session.table), QList<QStringList>{kPlaceholder});
    }

    // "Tout masquer" closes the windows, each writing; "Tout supprimer" closes them without a
    // write each, then writes once.
    void removeAllAndHideAll()
    {
        List list(notes(3), {1, 3});
        list.list.hideAll();
        list.session.flushWrites(QDeadlineTimer(10000));
        QCOMPARE(list.slots_(), (QStringList{"", "", ""}));
        QCOMPARE(list.session.file.writeCount(), 2);
        list.session.windows.ouvrir_fenetre(2, NoteWindowMaker::Fill::Existing);
        list.list.removeAll();
        list.session.flushWrites(QDeadlineTimer(10000));
        QCOMPARE(list.log, (QStringList{"close 1", "close 2", "open 2 in 1 (existing)", "close 1"}));
        QCOMPARE(list.session.file.writeCount(), 3);
        QCOMPARE(testutil::readFile(list.home.notesPath()), QByteArray("\"\",\"\",\"\",\"\"\r\n"));
    }

    // Slot to cell in twips (15 a pixel): the written example (1280 x 1024, a 30-pixel taskbar at the
    // bottom, k = 8), taskbars at the top and at the left, a work area lower than a cell.
    void placement_data()
    {
        QTest::addColumn<QRect>("workArea");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QPoint>("cell");
        const QRect example(0, 0, 1280, 994), top(0, 30, 1280, 994), left(48, 0, 1232, 1024);
        QTest::newRow("example, 1") << example << 1 << QPoint(14235, 13230);
        QTest::newRow("example, 2") << example << 2 << QPoint(14235, 11550);
        QTest::newRow("example, 8") << example << 8 << QPoint(14235, 1470);
        QTest::newRow("example, 9") << example << 9 << QPoint(9270, 13230);
        QTest::newRow("example, 17") << example << 17 << QPoint(4305, 13230);
        QTest::newRow("example, 24") << example << 24 << QPoint(4305, 1470);
        QTest::newRow("example, 25") << example << 25 << QPoint(0, 13230);
        QTest::newRow("example, 100") << example << 100 << QPoint(0, 8190);
        QTest::newRow("taskbar on top, 1") << top << 1 << QPoint(14235, 13680);
        QTest::newRow("taskbar on the left, 10") << left << 10 << QPoint(9270, 13680);
        QTest::newRow("taskbar on the left, 100") << left << 100 << QPoint(720, 13680);
        QTest::newRow("lower than a cell, 2") << QRect(0, 0, 800, 100) << 2 << QPoint(2070, 0);
    }
    void placement()
    {
        QFETCH(QRect, workArea);
        QFETCH(int, slot);
        QFETCH(QPoint, cell);
        QCOMPARE(cellOfSlot(slot, workAreaFromPixels(workArea, 15, 15)), cell);
    }
};

QTEST_GUILESS_MAIN(TestList)
#include "tst_list.moc"
