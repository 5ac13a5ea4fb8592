#include "f_help.h"

#include <QPlainTextEdit>
#include <QPushButton>

f_help::f_help() : QWidget(nullptr)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Aide"));
    Text1 = new QPlainTextEdit(this);
    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
}
