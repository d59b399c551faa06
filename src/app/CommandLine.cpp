#include "app/CommandLine.h"

#include "Version.h"
#include "base/ProductIdentity.h"

namespace ostrel {

namespace {

// Qt's options that take a value, and those that do not, as the Qt application reads them.
const QStringList qtOptionsWithValue{
    QStringLiteral("platform"),
    QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),
    QStringLiteral("qwindowgeometry"),
    QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"),
    QStringLiteral("session"),
    QStringLiteral("display"),
    QStringLiteral("name"),
    QStringLiteral("style"),
    QStringLiteral("stylesheet"),
    QStringLiteral("geometry"),
    QStringLiteral("title"),
    QStringLiteral("icon"),
};
const QStringList qtFlags{
    QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
    QStringLiteral("dograb"),  QStringLiteral("sync"),
};

CommandLineRequest refuse(const QString& problem) {
    return {CommandLineRequest::Action::Refuse, false, problem};
}

// "ostrel <version>".
QString versionText() {
    return kProductNameLowercase + QLatin1Char(' ') + QString::fromLatin1(kVersion);
}

QString usageText() {
    return QStringLiteral(
        "Usage: ostrel [--headless]\n"
        "       ostrel --help | --version\n"
        "\n"
        "Shows which program uses the camera or the microphone, notifies you, keeps an\n"
        "activity log, and lets you allow or block programs.\n"
        "\n"
        "Options:\n"
        "  --headless   run without windows or a tray icon; monitoring, the activity log,\n"
        "               notifications and journal entries go on (for a session without a\n"
        "               panel, or the systemd user service ostrel.service)\n"
        "  -h, --help   show this help and exit\n"
        "  --version    show the version and exit\n"
        "\n"
        "Qt's own options (-platform, -session, -style, ...) are passed on to Qt.\n");
}

} // namespace

CommandLineRequest parseCommandLine(const QStringList& arguments) {
    CommandLineRequest request;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool help = argument == QLatin1String("--help") || argument == QLatin1String("-h");
        if (help || argument == QLatin1String("--version")) {
            // The first of the two wins.
            if (request.action == CommandLineRequest::Action::Run) {
                request.action = help ? CommandLineRequest::Action::ShowHelp
                                      : CommandLineRequest::Action::ShowVersion;
            }
            continue;
        }
        if (argument == QLatin1String("--headless")) {
            request.headless = true;
            continue;
        }
        if (!argument.startsWith(QLatin1Char('-')) || argument.size() < 2) {
            return refuse(QStringLiteral("unexpected argument '%1'").arg(argument));
        }
        // Qt takes its options with one dash or two, and a value after "=" or separately.
        const QString option = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        const QString name = option.section(QLatin1Char('='), 0, 0);
        if (qtOptionsWithValue.contains(name)) {
            if (!option.contains(QLatin1Char('=')) && ++i >= arguments.size()) {
                return refuse(QStringLiteral("option '%1' needs a value").arg(argument));
            }
            continue;
        }
        if (!qtFlags.contains(option)) {
            return refuse(QStringLiteral("unknown option '%1'").arg(argument));
        }
    }
    return request;
}

std::optional<int> answerWithoutRunning(const CommandLineRequest& request, QTextStream& out,
                                        QTextStream& err) {
    switch (request.action) {
    case CommandLineRequest::Action::Run:
        return std::nullopt;
    case CommandLineRequest::Action::ShowHelp:
        out << usageText() << Qt::flush;
        return 0;
    case CommandLineRequest::Action::ShowVersion:
        out << versionText() << '\n' << Qt::flush;
        return 0;
    case CommandLineRequest::Action::Refuse:
        err << "ostrel: " << request.problem << "\n\n" << usageText() << Qt::flush;
        return 2;
    }
    return 2;
}

} // namespace ostrel
