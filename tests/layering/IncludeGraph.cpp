#include "IncludeGraph.h"

#include <algorithm>
#include <fstream>
#include <regex>

namespace fs = std::filesystem;

namespace {

const std::set<std::string> kSourceExtensions{".h", ".hpp", ".inl", ".c", ".cc", ".cpp", ".rc"};
const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");

bool IsSource(const fs::path& file) {
    return kSourceExtensions.contains(file.extension().string());
}

// The subsystem of a path relative to the root: "launcher", or the folder under hooklib/;
// empty for anything else (a file directly in hooklib/ included).
std::string SubsystemOf(const fs::path& relative) {
    auto part = relative.begin();
    if (part == relative.end()) {
        return std::string();
    }
    if (*part == "launcher") {
        return "launcher";
    }
    if (*part != "hooklib" || ++part == relative.end() || std::next(part) == relative.end()) {
        return std::string();
    }
    return part->string();
}

bool IsProjectPath(const fs::path& relative) {
    const auto first = relative.begin();
    return first != relative.end() && (*first == "launcher" || *first == "hooklib");
}

// The included file relative to the root, or empty for a header from outside the project.
fs::path Resolve(const fs::path& root, const fs::path& includer, bool quoted,
                 const std::string& name) {
    if (quoted) {
        const fs::path beside = (includer.parent_path() / name).lexically_normal();
        if (fs::exists(beside)) {
            return beside.lexically_relative(root);
        }
    }
    const fs::path onPath = (fs::path("hooklib") / name).lexically_normal();
    const std::string subsystem = SubsystemOf(onPath);
    if (subsystem.empty()) {
        return fs::path();
    }
    // A quoted name is a project file whether or not it exists; one in angle brackets only when
    // it names a subsystem folder (<windows.h> is no project file).
    return quoted || fs::is_directory(root / "hooklib" / subsystem) ? onPath : fs::path();
}

// The include path's name of a file: relative to hooklib/, or to the root for launcher/.
std::string IncludeName(const fs::path& relative) {
    const fs::path under = relative.lexically_relative("hooklib");
    return (under.empty() || *under.begin() == "..") ? relative.generic_string()
                                                     : under.generic_string();
}

void ReadFileEdges(const fs::path& root, const fs::path& file, std::vector<IncludeEdge>& edges) {
    std::ifstream in(file);
    const fs::path relative = file.lexically_relative(root);
    std::string text;
    std::smatch match;
    for (int line = 1; std::getline(in, text); ++line) {
        if (!std::regex_search(text, match, kInclude)) {
            continue;
        }
        const fs::path target = Resolve(root, file, match[1] == "\"", match[2]);
        if (target.empty() || !IsProjectPath(target)) {
            continue;
        }
        edges.push_back({relative.generic_string(), line, SubsystemOf(relative),
                         IncludeName(target), SubsystemOf(target)});
    }
}

bool Allowed(const LayerGraph& graph, const IncludeEdge& edge) {
    if (edge.m_from == edge.m_to) {
        return true;
    }
    const auto rule = graph.find(edge.m_from);
    return rule != graph.end() &&
           (rule->second.contains(edge.m_to) || rule->second.contains(edge.m_target));
}

std::vector<fs::path> SourceFiles(const fs::path& root) {
    std::vector<fs::path> files;
    for (const char* top : {"launcher", "hooklib"}) {
        if (!fs::is_directory(root / top)) {
            continue;
        }
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            if (entry.is_regular_file() && IsSource(entry.path())) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

const LayerGraph& ProjectLayers() {
    static const LayerGraph graph{
        {"launcher", {"hook/Exports.h", "support"}},
        {"hook", {"search", "ui", "view", "settings", "support"}},
        {"search", {"view/WndCtrl.h", "settings", "support"}},
        {"ui", {"settings", "support"}},
        {"view", {"settings", "support"}},
        {"settings", {"support"}},
        {"support", {}},
    };
    return graph;
}

std::vector<IncludeEdge> ReadIncludeEdges(const fs::path& root) {
    std::vector<IncludeEdge> edges;
    for (const fs::path& file : SourceFiles(root)) {
        ReadFileEdges(root, file, edges);
    }
    return edges;
}

std::vector<std::string> FindLayeringViolations(const fs::path& root, const LayerGraph& graph) {
    std::vector<std::string> violations;
    for (const fs::path& file : SourceFiles(root)) {
        const fs::path relative = file.lexically_relative(root);
        if (!graph.contains(SubsystemOf(relative))) {
            violations.push_back(relative.generic_string() + " lies in no subsystem of the graph");
        }
    }
    for (const IncludeEdge& edge : ReadIncludeEdges(root)) {
        if (!Allowed(graph, edge)) {
            violations.push_back(edge.m_file + ':' + std::to_string(edge.m_line) + " includes " +
                                 edge.m_target + ": " + edge.m_from + " may not use " + edge.m_to);
        }
    }
    return violations;
}
