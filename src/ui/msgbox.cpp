#include "msgbox.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QPointer>
#include <QScreen>
#include <QTimer>

namespace {
QMessageBox::StandardButton nextAnswer = QMessageBox::NoButton;

// A short text makes a box too narrow for its title under some window managers. The box is widened
// by a spacer below its text: a minimum width on the text itself has Qt lay the text out narrower
// than it is, and cut it.
void widenForTitle(QMessageBox &box)
{
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(box.fontMetrics().averageCharWidth() * 28, 0, QSizePolicy::Minimum,
                                      QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

QMessageBox::StandardButton run(QMessageBox &box)
{
    if (nextAnswer != QMessageBox::NoButton) {
        const auto answer = nextAnswer;
        nextAnswer = QMessageBox::NoButton;
        return answer;
    }
    widenForTitle(box);
    box.exec();
    return box.standardButton(box.clickedButton());
}
} // namespace

namespace MsgBox {

void setNextAnswer(QMessageBox::StandardButton answer)
{
    nextAnswer = answer;
}

QMessageBox::StandardButton question(QWidget *parent, const QString &text,
                                     QMessageBox::StandardButton byDefault)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Rappelix"), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(byDefault);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Oui"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Non"));
    return run(box);
}

void information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    run(box);
}

void warning(QWidget *parent, const QString &text)
{
    static QPointer<QMessageBox> shown;
    if (!shown) {
        shown =
            new QMessageBox(QMessageBox::Warning, QStringLiteral("Rappelix"), text, QMessageBox::Ok, parent);
        shown->setAttribute(Qt::WA_DeleteOnClose);
        shown->setWindowModality(Qt::NonModal);
    }
    shown->setText(text);
    widenForTitle(*shown);
    // A box about a window not on screen yet (what start-up found, told before the main window
    // first shows) waits for it, so that it comes over that window rather than in a corner.
    if (parent && !parent->isVisible()) {
        QTimer::singleShot(0, shown, [] {
            if (!shown)
                return;
            if (QWidget *over = shown->parentWidget(); over && !over->isVisible()) {
                // Still hidden (a start in the tray): the box stands alone, centred on the screen.
                shown->adjustSize();
                const QRect screen = over->screen()->availableGeometry();
                shown->move(screen.center() - shown->rect().center());
            }
            shown->show();
            shown->raise();
        });
        return;
    }
    shown->show();
    shown->raise();
}

} // namespace MsgBox
