#include "app/Display.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

const char* const kHowToGoOn =
    "Das Fenster öffnet sich unter einem virtuellen X-Server mit „xvfb-run -a tessera …“ oder über SSH mit\n"
    "„ssh -X“. Den Bericht der Seite „Info“ gibt „tessera --bericht“ im Terminal aus, ohne Anzeige.\n"
    "Mehr mit „tessera --help“.\n";

QtMessageHandler g_previous = nullptr;

// What the toolkit said while it started, told only if it fails.
struct Said {
    QtMsgType type;
    QString category;
    QString message;
};
std::vector<Said> g_said;

QString displayNamed()
{
    QStringList named;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(name))
            named << QStringLiteral("%1=\u201E%2\u201C").arg(QLatin1String(name), qEnvironmentVariable(name));
    return named.join(QStringLiteral(", "));
}

void fatalEndsWithExitCode(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        g_said.push_back({type, QString::fromUtf8(context.category ? context.category : ""), message});
        return;
    }
    std::fprintf(stderr, "tessera: das Fenster kann nicht geöffnet werden: die Anzeige ist nicht erreichbar (%s).\n",
                 displayNamed().toUtf8().constData());
    for (const Said& said : g_said)
        std::fprintf(stderr, "  Qt: %s\n", said.message.toUtf8().constData());
    std::fprintf(stderr, "  Qt: %s\n%s", message.section(u'\n', 0, 0).toUtf8().constData(), kHowToGoOn);
    std::fflush(stderr);
    std::_Exit(ExitCode::Usage);
}

}  // namespace

std::optional<int> refuseWithoutDisplay(const CommandLine& commandLine)
{
    if (commandLine.platformNamed || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return std::nullopt;
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return std::nullopt;
    std::fprintf(stderr, "tessera: keine Anzeige gefunden (weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt).\n%s",
                 kHowToGoOn);
    return ExitCode::Usage;
}

DisplayGuard::DisplayGuard() { g_previous = qInstallMessageHandler(fatalEndsWithExitCode); }

DisplayGuard::~DisplayGuard()
{
    qInstallMessageHandler(g_previous);
    // The toolkit started: what it said meanwhile goes where it would have gone.
    for (const Said& said : std::exchange(g_said, {})) {
        const QByteArray category = said.category.toUtf8();
        const QMessageLogContext context(nullptr, 0, nullptr, category.isEmpty() ? nullptr : category.constData());
        if (g_previous)
            g_previous(said.type, context, said.message);
        else
            std::fprintf(stderr, "%s\n", said.message.toUtf8().constData());
    }
}
