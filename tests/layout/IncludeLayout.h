#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The floors of src/, lowest first: a file may include files of its own
// folder and of lower floors only. Files directly in src/ (main.cpp) sit on top.
struct Floor {
    const char* folder;
    int level;
};
inline constexpr Floor kFloors[] = {
    {"runtime", 0}, {"disk", 1},   {"registry", 2}, {"machine", 3}, {"shell", 4},
    {"window", 5},  {"sysinfo", 6}, {"memory", 6},  {"sound", 6},   {"inventory", 6}, {"app", 7},
};

// The layers inside a large floor, each a subfolder, lowest first; the
// floor's own files (room "") are a layer too. A file may include files of
// its own layer and of lower layers of its floor only. A floor with rooms
// has no other subfolders; a floor without them may hold any (resources).
struct Room {
    const char* floor;
    const char* folder;
    int level;
};
inline constexpr Room kRooms[] = {
    {"disk", "", 0},     {"disk", "containers", 1}, {"disk", "bitlocker", 2},   {"disk", "filesystems", 3},
    {"disk", "machines", 4}, {"registry", "text", 0}, {"registry", "hive", 1},   {"registry", "", 2},
};

// Headers the build generates (not under src/), placed by the folder they name.
inline constexpr const char* kGeneratedHeaders[] = {"app/Version.h"};

// Every fault of the include layout under `src`, one line each, naming the
// file and line: an include from a sibling folder of the same floor or from a
// higher floor, from a higher layer of the same floor, a folder not in the table, a header that does not exist, and include cycles between files
// (a header and its .cpp count as one file, so a .cpp closes a loop too).
std::vector<std::string> includeLayoutFaults(const std::filesystem::path& src);
