#include "app/f_iir.h"
#include "tray/appicon.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rappelix"));
    QApplication::setWindowIcon(applicationIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    // The program speaks French; without any regional settings, French ones serve.
    if (QLocale().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    SystemClock clock;
    f_iir window(clock);
    QObject::connect(&window, &f_iir::quitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.Form_Load();
    return app.exec();
}
