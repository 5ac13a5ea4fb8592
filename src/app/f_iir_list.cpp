// The list commands of the main window and the opening and placing of note windows.
#include "f_iir.h"

#include "app/frames.h"
#include "app/msgbox.h"
#include "help/f_help.h"
#include "note/f_test.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {
const QString kPlaceholder = QStringLiteral("-1");

// Column 3 names an open window: a slot number, neither "" nor "-1".
int slotOf(const NoteTable &table, int row)
{
    return SlotTable::fromCell(table.TextMatrix(row, Col::Slot));
}
}  // namespace

bool f_iir::ouvrir_fenetre(int row)
{
    const int s = m_session.slotTable.lowestFree();
    if (s == 0)
        return false;
    auto *w = new f_test(m_session, m_clock);
    m_windows[s] = w;
    m_session.slotTable.take(s);
    m_session.table.setTextMatrix(row, Col::Slot, QString::number(s));
    w->f_pos = row;
    w->f_monindice = s;
    // Shown by positionner_fenetre, which every caller calls next: a window shown where it
    // belongs is framed there, where one moved after showing would not be.
    return true;
}

void f_iir::lire_zone_travail()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    m_session.workArea = screen ? workAreaFromPixels(screen->availableGeometry()) : WorkArea{};
}

void f_iir::positionner_fenetre(int slot)
{
    f_test *w = fenetre(slot);
    if (!w)
        return;
    const QPoint cell = cellOfSlot(slot, m_session.workArea);
    showFrameAt(w, QPoint(twipsToPixels(cell.x()), twipsToPixels(cell.y())));
}

void f_iir::Command1_Click()
{
    NoteTable &t = m_session.table;
    if (t.Rows() > SlotTable::kMax)
        return;
    int row;
    if (t.Rows() == 2 && t.isBlankRow(1)) {
        // The single blank row becomes the new note; if it has a window, that one serves.
        if (f_test *open = fenetre(slotOf(t, 1))) {
            open->activateWindow();
            open->raise();
            return;
        }
        row = 1;
        t.setTextMatrix(row, Col::Slot, QString());
        t.setTextMatrix(row, Col::Alerted, QString());
    } else {
        t.AddItem();
        row = t.Rows() - 1;
    }
    if (!ouvrir_fenetre(row))
        return;
    const int s = m_session.slotTable.lastOpened();
    fenetre(s)->init();
    positionner_fenetre(s);
}

void f_iir::Command2_Click()
{
    NoteTable &t = m_session.table;
    const int r = t.Row();
    if (r < 1 || r >= t.Rows())
        return;
    const QString &c = t.TextMatrix(r, Col::Slot);
    if (c.isEmpty()) {
        if (!ouvrir_fenetre(r))
            return;
        const int s = m_session.slotTable.lastOpened();
        positionner_fenetre(s);
        fenetre(s)->reinit();
    } else if (f_test *w = fenetre(slotOf(t, r))) {
        w->activateWindow();
        w->raise();
    }
}

void f_iir::gri_DblClick()
{
    Command2_Click();
}

void f_iir::Command3_Click()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    NoteTable &t = m_session.table;
    const int r = t.Row();
    if (r >= 1 && r < t.Rows() && t.TextMatrix(r, Col::Slot) != kPlaceholder) {
        if (const int s = slotOf(t, r))
            closeNoteWindow(s);
        if (t.Rows() == 2) {
            t.makePlaceholder(r);
        } else {
            t.RemoveItem(r);
            for (int i = 1; i < t.Rows(); ++i)
                if (f_test *w = fenetre(slotOf(t, i)))
                    w->f_pos = i;
        }
    }
    QGuiApplication::restoreOverrideCursor();
}

void f_iir::m_reinit_Click()
{
    if (MsgBox::question(this, QStringLiteral("Confirmez vous la suppression de toutes les lignes"))
        != QMessageBox::Yes)
        return;
    NoteTable &t = m_session.table;
    m_session.flags.autosave = false;
    for (int d = t.Rows() - 1; d >= 1; --d) {
        if (t.TextMatrix(d, Col::Slot) == kPlaceholder)
            continue;
        if (const int s = slotOf(t, d))
            closeNoteWindow(s);
        if (t.Rows() == 2)
            t.makePlaceholder(d);
        else
            t.RemoveItem(d);
    }
    m_session.flags.autosave = true;
    m_session.ecrire_notes();
}

void f_iir::m_toutafficher_Click()
{
    NoteTable &t = m_session.table;
    const int n = t.Rows() - 1;
    for (int i = 1; i <= n; ++i) {
        const QString &c = t.TextMatrix(i, Col::Slot);
        if (c.isEmpty()) {
            if (!ouvrir_fenetre(i))
                continue;
            const int s = m_session.slotTable.lastOpened();
            positionner_fenetre(s);
            fenetre(s)->reinit();
        } else if (f_test *w = fenetre(slotOf(t, i))) {
            w->activateWindow();
            w->raise();
        }
    }
    focusNouvelle();
}

void f_iir::m_toutmasquer_Click()
{
    NoteTable &t = m_session.table;
    const int n = t.Rows() - 1;
    for (int i = 1; i <= n; ++i)
        if (const int s = slotOf(t, i))
            closeNoteWindow(s);
    focusNouvelle();
}

// The focus given to a button of a window that is not active activates that window, as it
// does on the desktop the program was written for. The note windows just opened are mapped
// after this returns, and a window manager may hand them the focus then: the request is
// made again once they are on screen.
void f_iir::focusNouvelle()
{
    Command1->setFocus();
    activateWindow();
    QTimer::singleShot(0, this, [this] {
        Command1->setFocus();
        activateWindow();
    });
}
