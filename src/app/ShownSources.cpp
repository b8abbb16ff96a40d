#include "app/ShownSources.h"

namespace {

std::optional<QStringList> g_named;  // from the command line, a drop, an answer

}  // namespace

std::optional<QStringList> namedSources()
{
    if (g_named) return g_named;
    if (qEnvironmentVariableIsSet("TESSERA_REGISTRY"))
        return qEnvironmentVariable("TESSERA_REGISTRY").split(u':', Qt::SkipEmptyParts);
    return std::nullopt;
}

void setNamedSources(std::optional<QStringList> sources)
{
    g_named = std::move(sources);
}

shell::MachineRef shownMachine()
{
    return shell::Machine::open(namedSources());
}
