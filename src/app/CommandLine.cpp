#include "app/CommandLine.h"

#include "app/ShownSources.h"
#include "app/TerminalText.h"
#include "app/Version.h"
#include "disk/bitlocker/Keyring.h"
#include "disk/bitlocker/SecretFile.h"

#include <QFile>
#include <QString>

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

const char* const kHelp =
    "Aufruf: tessera [--schluessel DATEI …] [QUELLE …]\n"
    "        tessera --bericht | --json | --quellen [--schluessel DATEI …] [QUELLE …]\n"
    "        tessera --jsonl | --csv [--schluessel DATEI …] QUELLE …\n"
    "\n"
    "Zeigt Fakten über einen Rechner: Prozessor, Firmware, Betriebssystem, Systemordner\n"
    "und Browser, fünf Einstellungen der Speicherverwaltung und die Namen von elf\n"
    "Kategorien von Audiogeräten; im Terminal auch sein Inventar: Name, Domäne,\n"
    "Laufwerke, Netz, Benutzer und installierte Programme. Tessera liest nur, es\n"
    "schreibt nichts.\n"
    "\n"
    "Ohne QUELLE zeigt Tessera diesen Rechner. Mit QUELLEN zeigt es die Rechner, deren\n"
    "Registrierung sie enthalten, und nur diese. Registrierungsstrukturen und -dateien,\n"
    "die zusammen genannt sind, sind Teile eines Rechners (eine frühere geht einer\n"
    "späteren vor); jedes Abbild, Gerät, jede virtuelle Maschine und jeder Ordner ist ein\n"
    "Rechner für sich: das Fenster zeigt jeden in einem eigenen Fenster.\n"
    "Eine QUELLE ist\n"
    "  ein Datenträgerabbild oder Gerät mit einer Windows-Installation: die Platte einer\n"
    "    virtuellen Maschine (qcow2, VHD, VHDX, VMDK, VDI; ein Snapshot mit seinen\n"
    "    Basisabbildern), ein Abbild (E01, Rohabbild, auch geteilt, eine Partition allein)\n"
    "    oder ein Blockgerät (/dev/sdb); BILD@N wählt Partition N,\n"
    "  eine virtuelle Maschine: ihre .vbox- oder .vmx-Datei oder ihr Ordner (auch\n"
    "    Hyper-Vs „Virtual Hard Disks“), für ihre Festplatte im jetzigen Zustand,\n"
    "  eine exportierte Registrierungsdatei (.reg: REGEDIT4 oder Version 5.00),\n"
    "  die Registrierungsdatei eines Wine-Präfixes (system.reg),\n"
    "  eine Registrierungsstruktur SYSTEM oder SOFTWARE, auch unter anderem Namen\n"
    "    (etwa mit „reg save“ gesichert), oder\n"
    "  ein Ordner: die Wurzel einer eingehängten Windows-Installation, ihr Windows-Ordner,\n"
    "    ihr Ordner System32\\config oder ein Wine-Präfix. Ein Ordner mit mehreren\n"
    "    Maschinen oder Windows-Platten nennt jede mit der QUELLE, die sie wählt;\n"
    "    --jsonl und --csv lesen jede.\n"
    "Was Tessera nicht liest (ein gepacktes Abbild, eine CD, ein Mac-Dateisystem, …),\n"
    "nennt es beim Namen, mit dem, was zu tun ist.\n"
    "Nichts wird eingehängt oder geschrieben; Transaktionsprotokolle werden eingespielt.\n"
    "\n"
    "Optionen:\n"
    "  --bericht      gibt den Bericht der Seite „Info“ aus (27 Zeilen, UTF-8), ohne Fenster;\n"
    "                 mehrere Rechner je unter einer Zeile „==> QUELLE <==“\n"
    "  --json         gibt die Daten der drei Seiten, das Inventar des Rechners („machine“)\n"
    "                 und die gelesenen Quellen als JSON aus; mehrere Rechner als Liste\n"
    "  --quellen      nennt die gelesenen Quellen, eine je Zeile\n"
    "  --jsonl        gibt je Rechner eine Zeile JSON aus, mit „source“ und dem Inhalt\n"
    "                 von --json, in der genannten Reihenfolge, parallel gelesen; ein\n"
    "                 Rechner, der nicht zu öffnen ist, wird {\"source\", \"error\"}\n"
    "  --csv          gibt je Rechner eine Zeile CSV aus (RFC 4180, mit Kopfzeile):\n"
    "                 Name, Domäne, Windows, Architektur, Daten, Zeitzone, Adressen,\n"
    "                 Benutzer, Zahl der Programme, Fehler\n"
    "                 --jsonl und --csv fragen nie: was fehlt, ist der Fehler des Rechners\n"
    "  --schluessel DATEI\n"
    "                 entsperrt ein BitLocker-Volume: DATEI hält das Kennwort oder den\n"
    "                 Wiederherstellungsschlüssel (eine Zeile, auch die Textdatei, in der\n"
    "                 Windows ihn sichert) oder ist die Schlüsseldatei (.BEK); „-“ liest\n"
    "                 von der Standardeingabe. Mehrmals angegeben, wird jede versucht.\n"
    "                 Die 48 Ziffern des Wiederherstellungsschlüssels gelten mit oder\n"
    "                 ohne Bindestriche, in Gruppen oder über mehrere Zeilen.\n"
    "                 Ohne sie fragt Tessera im Terminal danach (ohne Echo, dreimal),\n"
    "                 das Fenster in einem Dialog.\n"
    "                 Ein Kennwort gehört nie auf die Befehlszeile.\n"
    "  -h, --help     zeigt diese Hilfe\n"
    "  -v, --version  zeigt die Version\n"
    "  --             was folgt, ist eine QUELLE, auch wenn es mit „-“ beginnt\n"
    "Die Ausgaben im Terminal brauchen keine Anzeige. Das Fenster braucht eine (DISPLAY\n"
    "oder WAYLAND_DISPLAY); ohne eine öffnet es sich mit „xvfb-run -a tessera“.\n"
    "\n"
    "Umgebung:\n"
    "  TESSERA_REGISTRY  QUELLEN, durch „:“ getrennt, wenn keine angegeben sind\n"
    "\n"
    "Rückgabewert:\n"
    "  0  fertig\n"
    "  1  eine genannte QUELLE (ein Rechner) ist nicht lesbar (die Meldung nennt Datei\n"
    "     und Fehler; was eine Bibliothek dazu sagt, folgt auf einer Zeile\n"
    "     „Einzelheiten:“), oder die Ausgabe kann nicht geschrieben werden; die übrigen\n"
    "     Rechner sind ausgegeben\n"
    "  2  falscher Aufruf, oder keine Anzeige für das Fenster\n"
    "\n"
    "Beispiele:\n"
    "  tessera win10.qcow2\n"
    "  tessera /dev/sdb\n"
    "  tessera disk.raw@3\n"
    "  tessera --schluessel Wiederherstellungsschluessel.txt laptop.raw\n"
    "  tessera ~/\"VirtualBox VMs/Win10\"\n"
    "  tessera /mnt/windows\n"
    "  tessera ~/.wine\n"
    "  tessera SYSTEM.hiv SOFTWARE.hiv\n"
    "  tessera --bericht /mnt/windows\n"
    "  tessera --json /mnt/windows > rechner.json\n"
    "  tessera --jsonl ~/\"VirtualBox VMs\" > rechner.jsonl\n"
    "  tessera --csv /srv/abbilder > rechner.csv\n";

// The window toolkit's own options, handed to it unread; those that take a value.
constexpr std::string_view kToolkitWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "session", "display", "geometry", "style", "stylesheet", "name", "title", "qmljsdebugger",
};
constexpr std::string_view kToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

bool isOneOf(std::string_view name, auto&& names)
{
    for (std::string_view n : names)
        if (n == name) return true;
    return false;
}

std::optional<CommandLine::Mode> modeNamed(std::string_view name)
{
    if (name == "bericht") return CommandLine::Mode::Report;
    if (name == "json") return CommandLine::Mode::Json;
    if (name == "quellen") return CommandLine::Mode::Sources;
    if (name == "jsonl") return CommandLine::Mode::JsonLines;
    if (name == "csv") return CommandLine::Mode::Csv;
    return std::nullopt;
}

int usageError(const QString& what)
{
    std::fprintf(stderr, "tessera: %s\nMehr mit \u201Etessera --help\u201C.\n", what.toUtf8().constData());
    return ExitCode::Usage;
}

QString quoted(std::string_view text)
{
    return QStringLiteral("\u201E%1\u201C").arg(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

}  // namespace

const char* helpText() { return kHelp; }

std::optional<int> readCommandLine(int argc, char* argv[], CommandLine& out)
{
    out = CommandLine{};
    out.toolkitArguments.push_back(argc > 0 ? argv[0] : const_cast<char*>("tessera"));
    // Help and version win over everything else before "--", as they need nothing.
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg == "-h" || arg == "--help" || arg == "-help") {
            std::fputs(kHelp, stdout);
            return ExitCode::Done;
        }
        if (arg == "-v" || arg == "--version" || arg == "-version") {
            std::printf("tessera %d.%d.%d\n", VersionRecord::Major, VersionRecord::Minor, VersionRecord::Revision);
            return ExitCode::Done;
        }
    }
    const char* modeOption = nullptr;
    bool onlySources = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (onlySources || arg.size() < 2 || arg[0] != '-') {
            out.sources << QFile::decodeName(argv[i]);
            continue;
        }
        if (arg == "--") {
            onlySources = true;
            continue;
        }
        const std::string_view dashes = arg.substr(0, arg.starts_with("--") ? 2 : 1);
        std::string_view name = arg.substr(dashes.size());
        const std::size_t eq = name.find('=');
        const bool hasValue = eq != std::string_view::npos;
        if (hasValue) name = name.substr(0, eq);
        const std::string_view option = arg.substr(0, dashes.size() + name.size());

        if (dashes == "--" && name == "schluessel") {
            if (hasValue) {
                out.keyFiles << QFile::decodeName(argv[i] + dashes.size() + name.size() + 1);
                continue;
            }
            if (i + 1 >= argc)
                return usageError(QStringLiteral("die Option %1 verlangt eine Datei").arg(quoted(option)));
            out.keyFiles << QFile::decodeName(argv[++i]);
            continue;
        }
        if (const auto mode = dashes == "--" ? modeNamed(name) : std::nullopt) {
            if (hasValue) return usageError(QStringLiteral("die Option %1 nimmt keinen Wert").arg(quoted(option)));
            if (modeOption && std::string_view(modeOption) != arg)
                return usageError(QStringLiteral("die Optionen %1 und %2 schließen einander aus")
                                      .arg(quoted(modeOption), quoted(arg)));
            modeOption = argv[i];
            out.mode = *mode;
            continue;
        }
        if (isOneOf(name, kToolkitWithValue)) {
            out.toolkitArguments.push_back(argv[i]);
            if (!hasValue) {  // "-style=x" the toolkit reads itself
                if (i + 1 >= argc)
                    return usageError(QStringLiteral("die Option %1 verlangt einen Wert").arg(quoted(option)));
                out.toolkitArguments.push_back(argv[++i]);
            }
            out.platformNamed = out.platformNamed || name == "platform";
            continue;
        }
        if (isOneOf(name, kToolkitFlags) && !hasValue) {
            out.toolkitArguments.push_back(argv[i]);
            continue;
        }
        return usageError(QStringLiteral("unbekannte Option %1").arg(quoted(option)));
    }
    out.toolkitArgumentCount = int(out.toolkitArguments.size());
    out.toolkitArguments.push_back(nullptr);  // argv ends in a null pointer
    return std::nullopt;
}

std::optional<int> readKeyFiles(CommandLine& commandLine)
{
    for (const QString& path : commandLine.keyFiles) {
        QString fault;
        disk::Secret secret = disk::readSecretFile(path, fault);
        if (secret.empty()) {
            std::fputs(terminalMessage(QString(), runtime::RuntimeError(runtime::ErrorNumber::FileNotFound, fault))
                           .toUtf8()
                           .constData(),
                       stderr);
            return ExitCode::Failed;
        }
        commandLine.secrets.push_back(std::move(secret));
    }
    return std::nullopt;
}

void applySecrets(CommandLine& commandLine)
{
    for (std::size_t i = 0; i < commandLine.secrets.size(); ++i)
        disk::Keyring::instance().add(std::move(commandLine.secrets[i]), commandLine.keyFiles.value(qsizetype(i)));
    commandLine.secrets.clear();
}

void applySources(const CommandLine& commandLine)
{
    if (!commandLine.sources.isEmpty()) setNamedSources(commandLine.sources);
}
