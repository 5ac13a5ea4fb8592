#include "app/commandline.h"
#include "app/f_iir.h"
#include "app/termination.h"
#include "store/datafolder.h"
#include "store/singlecopy.h"
#include "ui/appstyle.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Answered before any connection to a display, so that they work without one.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<CommandLineAnswer> answer = answerCommandLine(arguments)) {
        std::fputs(answer->out.toLocal8Bit().constData(), stdout);
        std::fputs(answer->err.toLocal8Bit().constData(), stderr);
        return answer->exitCode;
    }
    if (noDisplay(arguments, qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY"),
                  qEnvironmentVariable("QT_QPA_PLATFORM"))) {
        std::fputs(QStringLiteral("Rappelix : aucun affichage graphique n'a été trouvé (ni DISPLAY ni "
                                  "WAYLAND_DISPLAY). Lancez Rappelix depuis une session graphique.\n")
                       .toLocal8Bit()
                       .constData(),
                   stderr);
        return 1;
    }
    if (preferX11(qEnvironmentVariable("WAYLAND_DISPLAY"), qEnvironmentVariable("QT_QPA_PLATFORM"),
                  qEnvironmentVariable("DISPLAY")))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    installApplicationStyle();
    QApplication::setApplicationName(QStringLiteral("Rappelix"));
    QApplication::setQuitOnLastWindowClosed(false);

    // The program speaks French; without any regional settings, French ones serve.
    if (QLocale().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    // Before anything is read: a copy already running on this data folder only comes forward.
    const QString dataFolder = preparer_dossier();
    SingleCopy single(dataFolder);
    switch (single.start()) {
    case SingleCopy::Start::Run:
        break;
    case SingleCopy::Start::Forwarded:
        return 0;
    case SingleCopy::Start::NoAnswer: {
        // Started from a menu, there is no terminal to read: the user is told on screen.
        const QString text =
            QStringLiteral("Rappelix tourne déjà sur ce dossier (« %1 ») mais ne répond pas. "
                           "Réessayez dans un instant.")
                .arg(QDir::toNativeSeparators(dataFolder));
        qWarning("%s", qPrintable(text));
        QMessageBox::warning(nullptr, QStringLiteral("Rappelix"), text);
        return 1;
    }
    }

    const Clock &clock = SystemClock::instance();
    f_iir window(clock);
    // exit(), not quit(): quitting would first ask every window to close, and the main
    // window only minimises when asked; the windows still open go without their handlers.
    QObject::connect(
        &window, &f_iir::quitRequested, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    // Ended from outside (logout, shutdown, kill): save what was typed, then go.
    Termination termination;
    QObject::connect(&termination, &Termination::requested, &window, [&window] {
        window.sessionEnding();
        QCoreApplication::exit(0);
    });
    // The display lost, Qt ends the process at once: what was typed is written on the way out.
    QObject::connect(&termination, &Termination::exiting, &window, &f_iir::displayGone, Qt::DirectConnection);
    window.Form_Load(dataFolder, &single);
    return app.exec();
}
