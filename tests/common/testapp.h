#pragma once

// The real main window, for the tests that link rappelix_ui.
#include "app/f_iir.h"
#include "testutil.h"

#include <QLocale>

// The program on a data folder of its own holding `notes` (none: no file), in French, its clock
// in the test's hands; started unless `load` is false.
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
    NoteTable &table() { return w.session().table; }
    QString cell(int row, int col) { return table().TextMatrix(row, col); }
    int writes() { return w.session().file.writeCount(); }
    f_test *windowOf(int row) { return w.fenetre(SlotTable::fromCell(cell(row, Col::Slot))); }
    QList<int> openSlots()
    {
        QList<int> open;
        for (int s = 1; s <= SlotTable::kMax; ++s)
            if (w.fenetre(s))
                open << s;
        return open;
    }
    f_test *view(int row) // "Voir"
    {
        table().setRow(row);
        w.Command2_Click();
        return windowOf(row);
    }
    void tick(const QDateTime &t)
    {
        clock.set(t);
        w.Timer1_Timer();
    }
    QPoint cellOf(int slot)
    {
        const QPoint c = cellOfSlot(slot, w.session().workArea);
        return {twipsToPixels(c.x()), twipsToPixels(c.y())};
    }

    TempDataHome home;
    MockClock clock;
    f_iir w{clock};
};
