#include "commandline.h"

#include <QCommandLineParser>
#include <QFileInfo>

std::optional<CommandLineAnswer> answerCommandLine(const QStringList &arguments)
{
    // The usual start, from the menu or at log-in, has nothing to parse: the parser's code then
    // stays out of memory.
    if (arguments.size() <= 1)
        return std::nullopt;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({help, version});
    // Qt's own options, which QApplication takes out of the command line.
    for (const char *name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
          "qwindowtitle", "session", "display", "geometry", "style", "stylesheet", "qmljsdebugger"}) {
        QCommandLineOption qt(QLatin1String(name), QString(), QStringLiteral("valeur"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption qt{QLatin1String(name)};
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    const QString name = QFileInfo(arguments.value(0, QStringLiteral("rappelix"))).fileName();
    const QString tryHelp = QStringLiteral("Essayez « %1 --help ».\n").arg(name);
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        const QString what = unknown.isEmpty() ? parser.errorText()
                                               : QStringLiteral("option inconnue « %1%2 »")
                                                     .arg(unknown[0].size() > 1 ? "--" : "-", unknown[0]);
        return CommandLineAnswer{2, {}, QStringLiteral("%1 : %2.\n").arg(name, what) + tryHelp};
    }
    if (parser.isSet(help))
        return CommandLineAnswer{
            0,
            QStringLiteral("Usage : %1 [option]\n"
                           "Rappelix garde de courtes notes et les rappelle à l'heure dite.\n\n"
                           "Options :\n"
                           "  -h, --help     Affiche cette aide.\n"
                           "  -v, --version  Affiche la version.\n")
                .arg(name),
            {}};
    if (parser.isSet(version))
        return CommandLineAnswer{0, QStringLiteral("Rappelix 1.2\n"), {}};
    if (!parser.positionalArguments().isEmpty())
        return CommandLineAnswer{
            2,
            {},
            QStringLiteral("%1 : argument inattendu « %2 ».\n").arg(name, parser.positionalArguments()[0]) +
                tryHelp};
    return std::nullopt;
}

bool preferX11(const QString &waylandDisplay, const QString &qpaPlatform, const QString &display)
{
    if (waylandDisplay.isEmpty() || !qpaPlatform.isEmpty() || display.isEmpty())
        return false;
    // A local display ":N" has its socket; another one is taken at its word.
    if (!display.startsWith(u':'))
        return true;
    const QString number = display.mid(1).section(u'.', 0, 0);
    return QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + number);
}

bool noDisplay(const QStringList &arguments, const QString &display, const QString &waylandDisplay,
               const QString &qpaPlatform)
{
    if (!display.isEmpty() || !waylandDisplay.isEmpty() || !qpaPlatform.isEmpty())
        return false;
    for (const QString &argument : arguments)
        if (argument.startsWith(QLatin1String("-platform")) ||
            argument.startsWith(QLatin1String("--platform")))
            return false;
    return true;
}
