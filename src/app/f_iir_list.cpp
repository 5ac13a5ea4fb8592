// The list commands of the main window, and the making and placing of note windows.
#include "f_iir.h"

#include "alert/alertnotices.h"
#include "note/notewindow.h"
#include "ui/frames.h"
#include "ui/msgbox.h"
#include "ui/twips.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

NoteWindow *f_iir::makeWindow(int row, int slot, Fill fill)
{
    auto *w = new f_test(m_session, m_clock);
    m_made.removeAll(nullptr);
    m_made << w;
    connect(w, &f_test::seen, this, [this, w] {
        if (m_notices)
            m_notices->noteSeen(w);
    });
    w->f_pos = row;
    w->f_monindice = slot;
    if (fill == Fill::New) {
        w->init();
        positionner_fenetre(w, slot);
    } else {
        positionner_fenetre(w, slot);
        w->reinit();
    }
    return w;
}

void f_iir::lire_zone_travail()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    m_workArea = screen ? workAreaFromPixels(screen->availableGeometry(), twips::kPerPixel, twips::kPerPixel)
                        : WorkArea{};
}

// A window shown where it belongs is framed there, where one moved after showing would not be.
void f_iir::positionner_fenetre(QWidget *window, int slot)
{
    // A note window grown for a large desktop font (its client area is 4905 x 1305 twips at the
    // font it was drawn for) takes cells grown as much, so that the cells stay on the screen.
    const double x = qMax(1.0, window->width() / double(twips::px(4905)));
    const double y = qMax(1.0, window->height() / double(twips::px(1305)));
    const WorkArea &a = m_workArea;
    const QPoint cell =
        cellOfSlot(slot, {int(a.left / x), int(a.top / y), int(a.width / x), int(a.height / y)});
    showFrameAt(window, QPoint(twips::px(int(cell.x() * x)), twips::px(int(cell.y() * y))));
}

void f_iir::Command1_Click()
{
    m_list.newNote();
}

void f_iir::Command2_Click()
{
    m_list.view();
}

void f_iir::gri_DblClick()
{
    Command2_Click();
}

void f_iir::Command3_Click()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_list.remove();
    QGuiApplication::restoreOverrideCursor();
}

void f_iir::m_reinit_Click()
{
    if (MsgBox::question(this, QStringLiteral("Confirmez vous la suppression de toutes les lignes")) ==
        QMessageBox::Yes)
        m_list.removeAll();
}

void f_iir::m_toutafficher_Click()
{
    m_list.showAll();
    focusNouvelle();
}

void f_iir::m_toutmasquer_Click()
{
    m_list.hideAll();
    focusNouvelle();
}

// The focus given to a button of a window that is not active activates that window, as it
// does on the desktop the program was written for. The note windows just opened are mapped
// after this returns, and each one is activated then: the request is made again once they are
// all on screen.
void f_iir::focusNouvelle()
{
    Command1->setFocus();
    activateWindow();
    QList<QWidget *> notes;
    for (int s = 1; s <= SlotTable::kMax; ++s)
        if (auto *w = dynamic_cast<QWidget *>(m_session.windows.fenetre(s)))
            notes << w;
    whenOnScreen(notes, this, [this] {
        Command1->setFocus();
        activateWindow();
    });
}
