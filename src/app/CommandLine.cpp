#include "app/CommandLine.h"

#include "app/Version.h"
#include "shell/RegistrySources.h"

#include <QCommandLineParser>
#include <QString>

#include <cstdio>
#include <cstring>

namespace {

const char* const kHelp =
    "Aufruf: tessera [QUELLE …]\n"
    "\n"
    "Zeigt Fakten über einen Rechner: Prozessor, Firmware, Betriebssystem, Systemordner\n"
    "und Browser, fünf Einstellungen der Speicherverwaltung und die Namen von elf\n"
    "Kategorien von Audiogeräten. Tessera liest nur, es schreibt nichts.\n"
    "\n"
    "Ohne QUELLE zeigt Tessera diesen Rechner. Mit QUELLEN zeigt es den Rechner, dessen\n"
    "Registrierung sie enthalten, und nur diesen; eine frühere QUELLE geht einer späteren vor.\n"
    "Eine QUELLE ist\n"
    "  eine exportierte Registrierungsdatei (.reg: REGEDIT4 oder Version 5.00),\n"
    "  die Registrierungsdatei eines Wine-Präfixes (system.reg),\n"
    "  eine Registrierungsstruktur SYSTEM oder SOFTWARE, auch unter anderem Namen\n"
    "    (etwa mit „reg save“ gesichert), oder\n"
    "  ein Ordner: die Wurzel einer Windows-Installation, ihr Windows-Ordner, ihr Ordner\n"
    "    System32\\config oder ein Wine-Präfix.\n"
    "\n"
    "Optionen:\n"
    "  -h, --help     zeigt diese Hilfe\n"
    "  -v, --version  zeigt die Version\n"
    "\n"
    "Umgebung:\n"
    "  TESSERA_REGISTRY  QUELLEN, durch „:“ getrennt, wenn keine angegeben sind\n"
    "\n"
    "Beispiele:\n"
    "  tessera /mnt/windows\n"
    "  tessera ~/.wine\n"
    "  tessera SYSTEM.hiv SOFTWARE.hiv\n";

}  // namespace

std::optional<int> answerInformationOptions(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--") == 0) break;  // what follows are sources
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-help") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(arg, "-v") == 0 || std::strcmp(arg, "--version") == 0 || std::strcmp(arg, "-version") == 0) {
            std::printf("tessera %d.%d.%d\n", VersionRecord::Major, VersionRecord::Minor, VersionRecord::Revision);
            return 0;
        }
    }
    return std::nullopt;
}

std::optional<int> applyCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("version")}));
    parser.addPositionalArgument(QStringLiteral("QUELLE"), QString());
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        const QString what = unknown.isEmpty()
                                 ? parser.errorText()
                                 : QStringLiteral("unbekannte Option \u201E%1\u201C")
                                       .arg(unknown.first().size() == 1 ? u'-' + unknown.first()
                                                                        : QStringLiteral("--") + unknown.first());
        std::fprintf(stderr, "tessera: %s\nMehr mit \u201Etessera --help\u201C.\n", what.toLocal8Bit().constData());
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) shell::setNamedSources(parser.positionalArguments());
    return std::nullopt;
}
