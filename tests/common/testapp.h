#pragma once

// The real main window, for the tests that link rappelix_ui; its controls are found by name.
#include "app/f_iir.h"
#include "note/notewindow.h"
#include "testutil.h"

#include <QAction>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>

// The desktop font is `font` until the returned guard goes, then what it was before.
[[nodiscard]] inline auto desktopFont(const QFont &font)
{
    const QFont before = QApplication::font();
    QApplication::setFont(font);
    return qScopeGuard([before] { QApplication::setFont(before); });
}

// The program on a data folder holding `notes` (none: no file), started unless `load` is false,
// its clock in the test's hands; its list's model is checked all along.
struct App {
    explicit App(const QByteArray &notes = {}, const QDateTime &start = MockClock().now(), bool load = true)
        : clock(start)
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        if (!notes.isEmpty())
            testutil::writeFile(home.notesPath(), notes);
        if (load)
            w.Form_Load();
    }
    template <typename T = QWidget> static T *child(QObject *parent, const char *name)
    {
        return parent->findChild<T *>(QLatin1String(name));
    }
    NoteTable &table() { return w.session().table; }
    QString cell(int row, int col) { return table().TextMatrix(row, col); }
    f_test *windowOf(int row) { return dynamic_cast<f_test *>(w.session().windows.windowOfRow(row)); }
    QList<int> openSlots()
    {
        QList<int> open;
        for (int s = 1; s <= SlotTable::kMax; ++s)
            if (w.session().windows.fenetre(s))
                open << s;
        return open;
    }
    void click(const char *button) { QTest::mouseClick(child<QPushButton>(&w, button), Qt::LeftButton); }
    void trigger(const char *action) { child<QAction>(&w, action)->trigger(); }
    void select(int row) // a click on the row in the list
    {
        QTest::mouseClick(gri->viewport(), Qt::LeftButton, {},
                          gri->visualRect(gri->model()->index(row - 1, 0)).center());
    }
    f_test *view(int row) // "Voir" on a row
    {
        select(row);
        click("Command2");
        return windowOf(row);
    }
    QList<QStringList> stored() // the rows on disk once the writes handed over have ended
    {
        w.session().flushWrites(QDeadlineTimer(10000));
        return testutil::storedRows(home.folder());
    }
    void tick(const QDateTime &t)
    {
        clock.set(t);
        w.Timer1_Timer();
        w.session().flushWrites(QDeadlineTimer(10000)); // the tick's write on disk
    }

    TempDataHome home;
    MockClock clock;
    f_iir w{clock};
    QTableView *gri = child<QTableView>(&w, "gri");
    QAbstractItemModelTester modelTester{gri->model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest};
};
