// Where note windows land: cells of the work area by slot, in twips.
#include "app/placement.h"
#include "app/slottable.h"

#include <QtTest>

class TestPlacement : public QObject {
    Q_OBJECT
private slots:
    void cells_data();
    void cells();
    void workAreaRounding();
    void slotsLowestFirst();
};

void TestPlacement::cells_data()
{
    QTest::addColumn<QRect>("pixels");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QPoint>("cell");
    // 1280 x 1024 with a 30-pixel taskbar at the bottom: eight cells a column.
    const QRect bottomBar(0, 0, 1280, 994);
    QTest::newRow("slot 1") << bottomBar << 1 << QPoint(14235, 13230);
    QTest::newRow("slot 2") << bottomBar << 2 << QPoint(14235, 11550);
    QTest::newRow("slot 8") << bottomBar << 8 << QPoint(14235, 1470);
    QTest::newRow("slot 9") << bottomBar << 9 << QPoint(9270, 13230);
    QTest::newRow("slot 17") << bottomBar << 17 << QPoint(4305, 13230);
    QTest::newRow("slot 24") << bottomBar << 24 << QPoint(4305, 1470);
    QTest::newRow("slot 25") << bottomBar << 25 << QPoint(0, 13230);
    QTest::newRow("slot 100") << bottomBar << 100 << QPoint(0, 8190);
    // A taskbar at the top or at the left shifts every cell with the work area.
    QTest::newRow("bar at top") << QRect(0, 40, 1280, 984) << 1 << QPoint(14235, 13680);
    QTest::newRow("bar at left") << QRect(60, 0, 1220, 1024) << 1 << QPoint(14235, 13680);
    QTest::newRow("bar at left, far column") << QRect(60, 0, 1220, 1024) << 60 << QPoint(900, 5280);
    // Lower than one cell: one cell a column, pressed to the top.
    QTest::newRow("tiny, slot 1") << QRect(0, 0, 400, 100) << 1 << QPoint(1035, 0);
    QTest::newRow("tiny, slot 3") << QRect(0, 0, 400, 100) << 3 << QPoint(0, 0);
    QTest::newRow("failed query") << QRect() << 1 << QPoint(0, 0);
}

void TestPlacement::cells()
{
    QFETCH(QRect, pixels);
    QFETCH(int, slot);
    QFETCH(QPoint, cell);
    QCOMPARE(cellOfSlot(slot, workAreaFromPixels(pixels)), cell);
}

void TestPlacement::workAreaRounding()
{
    QCOMPARE(workAreaFromPixels(QRect(0, 0, 1280, 994)), (WorkArea{0, 0, 19200, 14910}));
    // Other densities: each product to the nearest integer, halves to even.
    QCOMPARE(workAreaFromPixels(QRect(1, 3, 5, 7), 12.5, 12.5), (WorkArea{12, 38, 62, 88}));
}

void TestPlacement::slotsLowestFirst()
{
    SlotTable table;
    for (int s = 1; s <= 3; ++s)
        table.take(table.lowestFree());
    table.release(2);
    QCOMPARE(table.lowestFree(), 2);
    QCOMPARE(table.lastOpened(), 3); // closing keeps the last slot given out
    for (int s = 0; s < 98; ++s)
        table.take(table.lowestFree());
    QCOMPARE(table.lowestFree(), 0);
    QCOMPARE(table.lastOpened(), 100);
}

QTEST_GUILESS_MAIN(TestPlacement)
#include "tst_placement.moc"
