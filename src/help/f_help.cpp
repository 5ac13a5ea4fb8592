#include "f_help.h"

#include "help/helptext.h"
#include "ui/twips.h"

#include <QPlainTextEdit>
#include <QPushButton>

f_help::f_help() : QWidget(nullptr)
{
    // No owner: the help window stays when the main window hides in the tray.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Aide"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    twips::setBackground(this, twips::kLightYellow);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    twips::Form form(this);
    form.place(Text1, twips::rect(120, 120, 6255, 4215));
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setTabChangesFocus(true); // Tab moves on to "Ok" rather than typing a tab
    // The help lines were measured for that font; where it is missing, a sans-serif of about
    // its width keeps them whole, and the system's own sans-serif comes last.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9.75);
    Text1->setFont(font);
    // The text box keeps the system's own colours; only the window is yellow.
    twips::keepSystemColours(Text1);
    QString text = helpText();
    Text1->setPlainText(text.replace(QLatin1String("\r\n"), QLatin1String("\n")));

    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    form.place(Command1, twips::rect(2520, 4560, 1575, 375));
    form.fit(twips::size(6465, 5130));
    connect(Command1, &QPushButton::clicked, this, &f_help::Command1_Click);

    setTabOrder(Text1, Command1);
    Text1->setFocus();
}

void f_help::Command1_Click()
{
    close();
}
