// The floors of the source tree, read from the includes: runtime, disk,
// registry, machine, shell, then window, then the pages, then app; inside disk
// and registry their layers; nothing includes upwards or sideways, and no
// files include each other round a loop.
#include "IncludeLayout.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string joined(const std::vector<std::string>& faults)
{
    std::string text;
    for (const std::string& fault : faults) text += fault + "\n";
    return text;
}

// A source tree of its own, files given as path and text.
class Tree {
public:
    Tree() : root_(fs::temp_directory_path() / ("tessera-layout-" + std::to_string(::getpid())))
    {
        fs::remove_all(root_);
    }
    ~Tree() { fs::remove_all(root_); }
    Tree& file(const std::string& path, const std::string& text)
    {
        fs::create_directories((root_ / path).parent_path());
        std::ofstream(root_ / path) << text;
        return *this;
    }
    std::vector<std::string> faults() const { return includeLayoutFaults(root_); }

private:
    fs::path root_;
};

}  // namespace

TEST(IncludeLayout, TheSourceTreeKeepsItsFloors)
{
    const auto faults = includeLayoutFaults(TESSERA_SOURCE_DIR "/src");
    EXPECT_TRUE(faults.empty()) << joined(faults);
}

TEST(IncludeLayout, DownwardAndOwnFolderIncludesPass)
{
    Tree tree;
    tree.file("shell/A.h", "#pragma once\n")
        .file("shell/A.cpp", "#include \"shell/A.h\"\n")
        .file("window/W.h", "#include \"shell/A.h\"\n")
        .file("window/W.cpp", "#include \"W.h\"\n#include \"resources/p.xpm\"\n")
        .file("window/resources/p.xpm", "")
        .file("sound/S.cpp", "#include \"window/W.h\"\n#include \"shell/A.h\"\n")
        .file("app/M.cpp", "#include \"sound/S.h\"\n#include \"app/Version.h\"\n")
        .file("sound/S.h", "")
        .file("main.cpp", "#include \"app/M.h\"\n")
        .file("disk/FileBytes.h", "")
        .file("disk/containers/D.h", "#include \"disk/FileBytes.h\"\n")
        .file("disk/machines/V.cpp", "#include \"disk/containers/D.h\"\n#include \"disk/FileBytes.h\"\n")
        .file("registry/text/T.h", "")
        .file("registry/hive/H.h", "#include \"registry/text/T.h\"\n")
        .file("registry/S.cpp", "#include \"registry/hive/H.h\"\n#include \"disk/machines/V.h\"\n")
        .file("disk/machines/V.h", "")
        .file("app/M.h", "");
    EXPECT_TRUE(tree.faults().empty()) << joined(tree.faults());
}

TEST(IncludeLayout, UpwardSidewaysAndLoopsAreNamed)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files;
        const char* fault;
    };
    const Case cases[] = {
        {"a page includes app", {{"sysinfo/P.cpp", "#include \"app/Handlers.h\"\n"}, {"app/Handlers.h", ""}},
         "src/sysinfo/P.cpp:1 includes \"app/Handlers.h\": sysinfo may not include app (a higher floor)"},
        {"the window includes a page", {{"window/F.cpp", "\n#include \"memory/Mem.h\"\n"}, {"memory/Mem.h", ""}},
         "src/window/F.cpp:2 includes \"memory/Mem.h\": window may not include memory (a higher floor)"},
        {"a page includes a sibling", {{"memory/M.cpp", "#include \"sound/Sound.h\"\n"}, {"sound/Sound.h", ""}},
         "src/memory/M.cpp:1 includes \"sound/Sound.h\": memory may not include sound (a sibling floor)"},
        {"the shell includes the window", {{"shell/S.h", "#include \"window/FrmMain.h\"\n"}, {"window/FrmMain.h", ""}},
         "src/shell/S.h:1 includes \"window/FrmMain.h\": shell may not include window (a higher floor)"},
        {"the registry includes the machine",
         {{"registry/Hive.cpp", "#include \"machine/MachineFacts.h\"\n"}, {"machine/MachineFacts.h", ""}},
         "src/registry/Hive.cpp:1 includes \"machine/MachineFacts.h\": registry may not include machine (a higher "
         "floor)"},
        {"the runtime includes the disk floor", {{"runtime/V.h", "#include \"disk/Image.h\"\n"}, {"disk/Image.h", ""}},
         "src/runtime/V.h:1 includes \"disk/Image.h\": runtime may not include disk (a higher floor)"},
        {"a layer of the disk floor includes a higher one",
         {{"disk/containers/Q.cpp", "#include \"disk/machines/V.h\"\n"}, {"disk/machines/V.h", ""}},
         "src/disk/containers/Q.cpp:1 includes \"disk/machines/V.h\": disk/containers may not include disk/machines "
         "(a higher layer)"},
        {"the disk floor's shared files include a layer",
         {{"disk/FileBytes.h", "#include \"disk/bitlocker/Secret.h\"\n"}, {"disk/bitlocker/Secret.h", ""}},
         "src/disk/FileBytes.h:1 includes \"disk/bitlocker/Secret.h\": disk may not include disk/bitlocker (a higher "
         "layer)"},
        {"a hive includes the registry's sources",
         {{"registry/hive/H.cpp", "#include \"registry/FileCache.h\"\n"}, {"registry/FileCache.h", ""}},
         "src/registry/hive/H.cpp:1 includes \"registry/FileCache.h\": registry/hive may not include registry (a "
         "higher layer)"},
        {"a layer the floor does not have", {{"disk/other/X.h", "#include \"disk/FileBytes.h\"\n"}, {"disk/FileBytes.h", ""}},
         "src/disk/other: a folder without a floor in the layout table"},
        {"an unknown folder", {{"extra/X.h", "#include \"shell/A.h\"\n"}, {"shell/A.h", ""}},
         "src/extra: a folder without a floor in the layout table"},
        {"a missing header", {{"shell/A.cpp", "#include \"shell/Gone.h\"\n"}},
         "src/shell/A.cpp:1 includes \"shell/Gone.h\": no such file under src/"},
        {"two headers include each other",
         {{"shell/A.h", "#include \"shell/B.h\"\n"}, {"shell/B.h", "#include \"shell/A.h\"\n"}},
         "include cycle: shell/A -> shell/B -> shell/A"},
        {"a .cpp closes the loop",
         {{"shell/A.h", "\n"}, {"shell/A.cpp", "#include \"shell/B.h\"\n"}, {"shell/B.h", ""},
          {"shell/B.cpp", "#include \"shell/A.h\"\n"}},
         "include cycle: shell/A -> shell/B -> shell/A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Tree tree;
        for (const auto& [path, text] : c.files) tree.file(path, text);
        const auto faults = tree.faults();
        EXPECT_EQ(faults, std::vector<std::string>{c.fault}) << joined(faults);
    }
}
