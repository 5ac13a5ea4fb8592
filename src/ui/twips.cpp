#include "twips.h"

#include "ui/fontsize.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QPalette>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QWidget>

#include <climits>
#include <cmath>
#include <optional>

namespace twips {

void setBackground(QWidget *widget, const QColor &colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::Base, colour);
    p.setColor(QPalette::WindowText, kText);
    p.setColor(QPalette::Text, kText);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

void keepSystemColours(QWidget *widget)
{
    QPalette system = QApplication::palette(widget);
    for (auto role : {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText,
                      QPalette::Base, QPalette::Text})
        system.setColor(role, system.color(role)); // set, so that the parent's do not pass down
    widget->setPalette(system);
}

namespace {

// The room a control gives its caption, and the caption: its widest entry for a list. None for a
// control without a caption of one line.
std::optional<QRect> captionRoom(QWidget *control, QString *caption)
{
    if (auto *button = qobject_cast<QPushButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        *caption = button->text();
        return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
    if (auto *list = qobject_cast<QComboBox *>(control)) {
        QStyleOptionComboBox option;
        option.initFrom(list);
        option.editable = false;
        const QFontMetrics metrics = list->fontMetrics();
        for (int i = 0; i < list->count(); ++i)
            if (metrics.horizontalAdvance(list->itemText(i)) > metrics.horizontalAdvance(*caption))
                *caption = list->itemText(i);
        return list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                             list);
    }
    if (auto *label = qobject_cast<QLabel *>(control)) {
        *caption = label->text();
        return label->contentsRect();
    }
    return std::nullopt;
}

// What the control's width and height must be multiplied by for its caption to show whole.
QSizeF stretchFor(QWidget *control)
{
    QString caption;
    const std::optional<QRect> room = captionRoom(control, &caption);
    if (!room)
        return {1, 1};
    const QFontMetrics metrics = control->fontMetrics();
    const int width = metrics.horizontalAdvance(caption);
    auto factor = [](int size, int missing) { return missing > 0 ? double(size + missing) / size : 1.0; };
    return {factor(control->width(), width - room->width()),
            factor(control->height(), metrics.height() - room->height())};
}

// A text box or list takes the desktop's font when that is larger than the one it was drawn for
// (its own, or the desktop's default); what it must grow by to show as many characters.
double textGrowth(QWidget *control)
{
    if (!qobject_cast<QAbstractScrollArea *>(control))
        return 1;
    const double desktop = QApplication::font().pointSizeF();
    if (!control->testAttribute(Qt::WA_SetFont))
        return fontsize::growth(fontsize::kDesktopDefault, desktop);
    QFont font = control->font();
    const double written = font.pointSizeF();
    if (written <= 0) // a size in pixels: kept
        return 1;
    font.setPointSizeF(fontsize::textPoints(written, desktop));
    control->setFont(font);
    return fontsize::growth(written, desktop);
}

int scaled(int pixels, double by)
{
    return int(std::ceil(pixels * by - 1e-9));
}

} // namespace

void Form::place(QWidget *control, const QRect &geometry)
{
    control->setGeometry(geometry);
    m_placed.append({control, geometry});
}

// Room free on a control's right, up to the next control beside it in the same parent.
int Form::roomRight(const Placed &placed) const
{
    int room = INT_MAX;
    for (const Placed &other : m_placed) {
        const QRect a = placed.geometry, b = other.geometry;
        if (other.control && other.control->parentWidget() == placed.control->parentWidget() &&
            b.left() > a.right() && b.top() <= a.bottom() && a.top() <= b.bottom())
            room = qMin(room, b.left() - a.right() - 1);
    }
    return room == INT_MAX ? 0 : room; // the last on its line keeps its width
}

void Form::fit(QSize client)
{
    QSizeF by(1, 1);
    for (Placed &p : m_placed) {
        if (!p.control)
            continue;
        p.control->ensurePolished();
        const double text = textGrowth(p.control);
        by = by.expandedTo({text, text});
        QSizeF stretch = stretchFor(p.control);
        // A control a pixel or two short grows into the room beside it, and nothing else moves.
        const int missing = int(std::ceil(p.geometry.width() * (stretch.width() - 1) - 1e-9));
        if (missing > 0 && missing <= roomRight(p)) {
            p.geometry.setWidth(p.geometry.width() + missing);
            stretch.setWidth(1);
        }
        by = by.expandedTo(stretch);
    }
    for (const Placed &p : std::as_const(m_placed))
        if (p.control)
            p.control->setGeometry(scaled(p.geometry.x(), by.width()), scaled(p.geometry.y(), by.height()),
                                   scaled(p.geometry.width(), by.width()),
                                   scaled(p.geometry.height(), by.height()));
    m_window->setFixedSize(scaled(client.width(), by.width()), scaled(client.height(), by.height()));
    // A form inside a window (below its menu bar) fixes that window's size too: a window that
    // can be resized gets a resize handle from some window managers (openbox draws it as a grey
    // line under the form), and growing it only shows empty space.
    if (!m_window->isWindow())
        if (QLayout *outer = m_window->window()->layout())
            outer->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace twips
