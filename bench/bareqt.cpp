// The floor of a Qt Widgets program's start-up, for bench/startup.sh: one window with a table
// view and a button, nothing read, nothing translated. Its title is "Bare Qt".
#include <QApplication>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt"));
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QTableView);
    layout->addWidget(new QPushButton(QStringLiteral("Button")));
    window.show();
    return app.exec();
}
