#include "twips.h"

#include <QPalette>
#include <QWidget>

namespace twips {

void setBackground(QWidget *widget, const QColor &colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::Base, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

} // namespace twips
