#pragma once
// The layering of the tree as the README draws it, and a check of the #include lines of
// launcher/ and hooklib/ against it.
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

// For each subsystem, what it may include besides its own files: a whole subsystem ("settings")
// or one header of one ("view/WndCtrl.h").
using LayerGraph = std::map<std::string, std::set<std::string>>;

// launcher -> hook (exports); hook -> search, ui, view, settings, support; search -> view's
// controller interface, settings, support; ui, view -> settings, support; settings -> support.
const LayerGraph& ProjectLayers();

// One include of a project file by a source file of launcher/ or hooklib/.
struct IncludeEdge {
    std::string m_file;   // the including file, relative to the root
    int m_line;           // its line number
    std::string m_from;   // the including file's subsystem
    std::string m_target; // the included file as the include path names it, e.g. "hook/Attach.h"
    std::string m_to;     // the included file's subsystem
};

// Every include under root that names a file of launcher/ or hooklib/: "name" is looked up
// beside the including file first, then under hooklib/ (the include path); <name> only under
// hooklib/. System and third-party headers are left out.
std::vector<IncludeEdge> ReadIncludeEdges(const std::filesystem::path& root);

// One text per include the graph does not allow ("hooklib/search/Keystroke.cpp:7 includes
// hook/Attach.h: search may not use hook"), and per file that lies in no subsystem of the graph.
std::vector<std::string> FindLayeringViolations(const std::filesystem::path& root,
                                                const LayerGraph& graph);
