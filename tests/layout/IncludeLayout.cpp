#include "IncludeLayout.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>

namespace fs = std::filesystem;

namespace {

struct Include {
    std::string from;  // relative to src/
    int line;
    std::string written;
    std::string to;  // the file it resolves to, relative to src/; empty when generated or missing
};

std::string topFolder(const std::string& relative)
{
    const auto slash = relative.find('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

std::optional<int> levelOf(const std::string& folder)
{
    if (folder.empty()) return 99;  // src/ itself: the program on top of everything
    for (const Floor& floor : kFloors)
        if (folder == floor.folder) return floor.level;
    return std::nullopt;
}

// The layer of a file inside its floor: the subfolder under the floor ("" for
// the floor's own files), with its level; nothing for a floor without layers.
struct Layer {
    std::string folder;
    std::optional<int> level;  // nothing: a subfolder the floor does not have
};
std::optional<Layer> layerOf(const std::string& relative)
{
    const std::string floor = topFolder(relative);
    bool rooms = false;
    for (const Room& room : kRooms) rooms = rooms || floor == room.floor;
    if (!rooms) return std::nullopt;
    const std::string rest = relative.substr(floor.size() + 1);
    const auto slash = rest.find('/');
    Layer layer{slash == std::string::npos ? std::string() : rest.substr(0, slash), std::nullopt};
    for (const Room& room : kRooms)
        if (floor == room.floor && layer.folder == room.folder) layer.level = room.level;
    return layer;
}

// A header and its .cpp are one unit.
std::string unitOf(const std::string& relative)
{
    const fs::path p(relative);
    return (p.parent_path() / p.stem()).generic_string();
}

std::vector<Include> readIncludes(const fs::path& src)
{
    static const std::regex quoted(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<Include> includes;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const auto ext = entry.path().extension();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
        const std::string from = fs::relative(entry.path(), src).generic_string();
        std::ifstream in(entry.path());
        std::string text;
        for (int line = 1; std::getline(in, text); ++line) {
            std::smatch m;
            if (!std::regex_search(text, m, quoted)) continue;
            Include inc{from, line, m[1], {}};
            for (const fs::path& base : {entry.path().parent_path(), src}) {
                if (fs::is_regular_file(base / inc.written)) {
                    inc.to = fs::relative(fs::weakly_canonical(base / inc.written), fs::weakly_canonical(src))
                                 .generic_string();
                    break;
                }
            }
            includes.push_back(inc);
        }
    }
    return includes;
}

// One cycle of the unit graph as "a -> b -> a", or nothing.
std::optional<std::string> findCycle(const std::map<std::string, std::set<std::string>>& edges)
{
    enum class Mark { Open, Done };
    std::map<std::string, Mark> marks;
    std::vector<std::string> stack;
    std::optional<std::string> found;
    auto visit = [&](auto&& self, const std::string& unit) -> void {
        marks[unit] = Mark::Open;
        stack.push_back(unit);
        if (auto it = edges.find(unit); it != edges.end()) {
            for (const std::string& next : it->second) {
                if (found) return;
                auto mark = marks.find(next);
                if (mark == marks.end()) {
                    self(self, next);
                } else if (mark->second == Mark::Open) {
                    std::string path;
                    for (auto at = std::find(stack.begin(), stack.end(), next); at != stack.end(); ++at)
                        path += *at + " -> ";
                    found = path + next;
                    return;
                }
            }
        }
        stack.pop_back();
        marks[unit] = Mark::Done;
    };
    for (const auto& [unit, targets] : edges)
        if (!found && !marks.count(unit)) visit(visit, unit);
    return found;
}

}  // namespace

std::vector<std::string> includeLayoutFaults(const fs::path& src)
{
    std::vector<std::string> faults;
    std::map<std::string, std::set<std::string>> edges;
    std::set<std::string> unknownFolders;
    for (const Include& inc : readIncludes(src)) {
        const std::string where = "src/" + inc.from + ":" + std::to_string(inc.line) + " includes \"" + inc.written + "\"";
        const std::string fromFolder = topFolder(inc.from);
        const bool generated = std::find_if(std::begin(kGeneratedHeaders), std::end(kGeneratedHeaders),
                                            [&](const char* h) { return inc.written == h; })
                               != std::end(kGeneratedHeaders);
        if (inc.to.empty() && !generated) {
            faults.push_back(where + ": no such file under src/");
            continue;
        }
        const std::string toFolder = topFolder(generated ? inc.written : inc.to);
        const auto fromLevel = levelOf(fromFolder);
        const auto toLevel = levelOf(toFolder);
        if (!fromLevel) unknownFolders.insert(fromFolder);
        if (!toLevel) unknownFolders.insert(toFolder);
        if (fromLevel && toLevel && fromFolder != toFolder && *toLevel >= *fromLevel)
            faults.push_back(where + ": " + (fromFolder.empty() ? "src" : fromFolder) + " may not include "
                             + toFolder + (*toLevel == *fromLevel ? " (a sibling floor)" : " (a higher floor)"));
        // Inside a floor: layers point down too.
        const auto fromLayer = layerOf(inc.from);
        const auto toLayer = generated || inc.to.empty() ? std::nullopt : layerOf(inc.to);
        if (fromLayer && !fromLayer->level) unknownFolders.insert(fromFolder + "/" + fromLayer->folder);
        if (fromFolder == toFolder && fromLayer && toLayer && fromLayer->level && toLayer->level
            && fromLayer->folder != toLayer->folder && *toLayer->level >= *fromLayer->level) {
            auto named = [&](const Layer& l) { return fromFolder + (l.folder.empty() ? "" : "/" + l.folder); };
            faults.push_back(where + ": " + named(*fromLayer) + " may not include " + named(*toLayer)
                             + (*toLayer->level == *fromLayer->level ? " (a sibling layer)" : " (a higher layer)"));
        }
        if (!inc.to.empty() && unitOf(inc.from) != unitOf(inc.to)) edges[unitOf(inc.from)].insert(unitOf(inc.to));
    }
    for (const std::string& folder : unknownFolders)
        faults.push_back("src/" + folder + ": a folder without a floor in the layout table");
    if (const auto cycle = findCycle(edges)) faults.push_back("include cycle: " + *cycle);
    return faults;
}
