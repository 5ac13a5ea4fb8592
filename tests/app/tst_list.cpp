// The list commands and window placement, as rules: the note table and its file for real, note
// windows that record what is done to them, expected values from the written rules.
#include "app/commandline.h"
#include "app/listcommands.h"
#include "app/placement.h"
#include "store/session.h"
#include "testutil.h"

#include <QtTest>

namespace {
const QStringList kPlaceholder = {"", "", "", "-1", ""};

// A session on a data folder of its own, its windows fakes.
struct List {
    explicit List(const QList<QStringList> &rows = {kPlaceholder})
    {
        session.table = testutil::tableOf(rows);
        session.file.setFolder(home.folder());
        session.setWindowMaker(&windows);
    }
    QStringList column(int col)
    {
        QStringList cells;
        for (int r = 1; r < session.table.Rows(); ++r)
            cells << session.table.TextMatrix(r, col);
        return cells;
    }
    // Opens windows on rows, in this order: the lowest free slots.
    void open(const QList<int> &rows)
    {
        for (int r : rows)
            session.ouvrir_fenetre(r, NoteWindowMaker::Fill::Existing);
        windows.log.clear();
    }

    TempDataHome home;
    MockClock clock;
    Session session{clock};
    FakeWindows windows{[this](NoteWindow &w) { session.windowClosed(w); }};
    ListCommands list{session};
};

QStringList note(int n)
{
    return {QStringLiteral("Le 01/12 à 10:00"), QStringLiteral("note %1").arg(n), "", "", ""};
}

QList<QStringList> notes(int n)
{
    QList<QStringList> rows;
    for (int i = 1; i <= n; ++i)
        rows << note(i);
    return rows;
}
} // namespace

class TestList : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }
    void newNote();
    void viewAndShowAll();
    void removeRenumbers();
    void removeAllAndHideAll();
    void commandLine_data();
    void commandLine();
    void placement_data();
    void placement();
};

// "Nouvelle" takes the placeholder row, then appends, up to 100 notes; the blank row that has a
// window already keeps that one.
void TestList::newNote()
{
    List empty;
    empty.list.newNote();
    empty.session.table.setTextMatrix(1, Col::Text, QStringLiteral("pain")); // typed in its window
    empty.list.newNote();
    QCOMPARE(empty.windows.log, (QStringList{"open 1 in 1 (new)", "open 2 in 2 (new)"}));
    QCOMPARE(empty.column(Col::Slot), (QStringList{"1", "2"}));
    QCOMPARE(empty.session.file.writeCount(), 0);

    List blank({{"", "", "", "", ""}});
    blank.open({1});
    blank.list.newNote();
    QCOMPARE(blank.windows.log, QStringList{"activate 1"});

    List full(notes(100));
    full.list.newNote();
    QVERIFY(full.windows.log.isEmpty());
    full.list.remove(); // row 1
    full.list.newNote();
    QCOMPARE(full.session.table.Rows(), 101);
    QCOMPARE(full.windows.log, QStringList{"open 100 in 1 (new)"});
}

// "Voir" opens the current row's window or brings it forward; "Tout afficher" does that for each
// row in order, the lowest free slots first; neither touches the placeholder.
void TestList::viewAndShowAll()
{
    List empty;
    empty.list.view();
    empty.list.showAll();
    QVERIFY(empty.windows.log.isEmpty());

    List list(notes(4));
    list.open({1, 2, 3}); // slots 1, 2, 3
    list.session.windowOfRow(2)->closeWindow();
    list.windows.log.clear();
    list.session.table.setRow(3);
    list.list.view();
    list.session.table.setRow(4);
    list.list.view();
    list.list.showAll();
    QCOMPARE(list.windows.log, (QStringList{"activate 3", "open 4 in 2 (existing)", "activate 1",
                                            "open 2 in 4 (existing)", "activate 3", "activate 2"}));
}

// The written example: row 2 of 5 removed while rows 1, 3 and 5 have windows in slots 4, 1 and 2.
// A window closing writes the notes while its row is still there; the last note goes to the
// placeholder row.
void TestList::removeRenumbers()
{
    List list(notes(5));
    list.open({3, 5, 4, 1}); // slots 1, 2, 3, 4
    list.session.windowOfRow(4)->closeWindow();
    list.session.table.setTextMatrix(2, Col::Text, QStringLiteral("deux"));
    list.session.table.setRow(2);
    list.list.remove();
    QCOMPARE(list.column(Col::Slot), (QStringList{"4", "1", "", "2"}));
    QCOMPARE(list.session.fenetre(1)->f_pos, 2);
    QCOMPARE(list.session.fenetre(2)->f_pos, 4);
    QCOMPARE(list.session.fenetre(4)->f_pos, 1);

    List one({note(1)});
    one.open({1});
    one.list.remove();
    QCOMPARE(one.windows.log, QStringList{"close 1"});
    QCOMPARE(testutil::storedRows(one.home.folder()), QList<QStringList>{note(1)});
    QCOMPARE(testutil::rowsOf(one.session.table), QList<QStringList>{kPlaceholder});
    one.list.remove();
    QCOMPARE(one.windows.log, QStringList{"close 1"});
}

// "Tout supprimer" closes the windows without a write each, then writes once; "Tout masquer"
// closes them, each writing as it goes.
void TestList::removeAllAndHideAll()
{
    List list(notes(3));
    list.open({1, 3});
    list.list.hideAll();
    QCOMPARE(list.windows.log, (QStringList{"close 1", "close 2"}));
    QCOMPARE(list.column(Col::Slot), (QStringList{"", "", ""}));
    QCOMPARE(list.session.file.writeCount(), 2);
    list.open({2, 3});
    list.list.removeAll();
    QCOMPARE(list.windows.log, (QStringList{"close 2", "close 1"}));
    QCOMPARE(list.session.file.writeCount(), 3);
    QCOMPARE(testutil::rowsOf(list.session.table), QList<QStringList>{kPlaceholder});
    QCOMPARE(testutil::readFile(list.home.notesPath()), QByteArray("\"\",\"\",\"\",\"\"\r\n"));
    QVERIFY(list.session.flags.autosave);
}

void TestList::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode"); // -1: the program runs
    QTest::addColumn<QString>("printed");
    QTest::newRow("none, and Qt's own")
        << QStringList{"rappelix", "-platform", "xcb", "-reverse"} << -1 << "";
    QTest::newRow("--version") << QStringList{"rappelix", "--version"} << 0 << "Rappelix 1.2\n";
    QTest::newRow("-h") << QStringList{"/usr/bin/rappelix", "-h"} << 0 << "Usage : rappelix [option]\n";
    QTest::newRow("unknown") << QStringList{"rappelix", "--vite"} << 2
                             << "rappelix : option inconnue « --vite ».\n";
    QTest::newRow("an argument") << QStringList{"rappelix", "a.txt"} << 2
                                 << "rappelix : argument inattendu « a.txt ».\n";
}

// --help and --version, and nothing else; on Wayland, X11 where it serves and nothing was asked.
void TestList::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, printed);
    const std::optional<CommandLineAnswer> answer = answerCommandLine(arguments);
    QCOMPARE(answer ? answer->exitCode : -1, exitCode);
    QVERIFY(!answer || (answer->out + answer->err).startsWith(printed));
    QCOMPARE((QList<bool>{preferX11("wayland-0", "", "autre:0"), preferX11("wayland-0", "wayland", "autre:0"),
                          preferX11("wayland-0", "", ""), preferX11("", "", "autre:0")}),
             (QList<bool>{true, false, false, false}));
}

void TestList::placement_data()
{
    QTest::addColumn<QRect>("workArea"); // pixels, 15 twips each
    QTest::addColumn<int>("slot");
    QTest::addColumn<QPoint>("cell"); // twips
    // The written example: 1280 x 1024 with a 30-pixel taskbar at the bottom, k = 8.
    const QRect example(0, 0, 1280, 994);
    QTest::newRow("slot 1") << example << 1 << QPoint(14235, 13230);
    QTest::newRow("slot 2") << example << 2 << QPoint(14235, 11550);
    QTest::newRow("slot 8") << example << 8 << QPoint(14235, 1470);
    QTest::newRow("slot 9") << example << 9 << QPoint(9270, 13230);
    QTest::newRow("slot 17") << example << 17 << QPoint(4305, 13230);
    QTest::newRow("slot 24") << example << 24 << QPoint(4305, 1470);
    QTest::newRow("slot 25") << example << 25 << QPoint(0, 13230);
    QTest::newRow("slot 100") << example << 100 << QPoint(0, 8190);
    QTest::newRow("taskbar at the top, slot 1") << QRect(0, 30, 1280, 994) << 1 << QPoint(14235, 13680);
    QTest::newRow("taskbar at the left, slot 10") << QRect(48, 0, 1232, 1024) << 10 << QPoint(9270, 13680);
    QTest::newRow("taskbar at the left, slot 100") << QRect(48, 0, 1232, 1024) << 100 << QPoint(720, 13680);
    QTest::newRow("lower than a cell, slot 1") << QRect(0, 0, 800, 100) << 1 << QPoint(7035, 0);
    QTest::newRow("lower than a cell, slot 2") << QRect(0, 0, 800, 100) << 2 << QPoint(2070, 0);
}

void TestList::placement()
{
    QFETCH(QRect, workArea);
    QFETCH(int, slot);
    QFETCH(QPoint, cell);
    QCOMPARE(cellOfSlot(slot, workAreaFromPixels(workArea, 15, 15)), cell);
}

QTEST_GUILESS_MAIN(TestList)
#include "tst_list.moc"
