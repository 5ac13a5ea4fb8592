// Delete through logging note windows; window placement: a slot's cell in the work area.
#include "app/placement.h"
#include "session/listcommands.h"
#include "testutil.h"

class TestList : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }

    // The written example of Delete: row 2 of 5 removed while rows 1, 3 and 5 have windows in slots
    // 4, 1 and 2; each window then shows the row its note has moved to.
    void remove()
    {
        QList<QStringList> notes;
        for (int i = 1; i <= 5; ++i)
            notes << QStringList{"Le 01/12 à 10:00", QStringLiteral("note %1").arg(i), "", "", ""};
        FakeSession fake(notes, {3, 5, 2, 1});
        fake.session.windowClosed(*fake.session.windows.windowOfRow(2));
        fake.session.table.setRow(2);
        ListCommands(fake.session).remove();
        QStringList slotCells;
        for (const QStringList &row : testutil::rowsOf(fake.session.table))
            slotCells << row[Col::Slot];
        QCOMPARE(slotCells, (QStringList{"4", "1", "", "2"}));
        const NoteWindows &w = fake.session.windows;
        QCOMPARE((QList<int>{w.fenetre(1)->f_pos, w.fenetre(2)->f_pos, w.fenetre(4)->f_pos}),
                 (QList<int>{2, 4, 1}));
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
