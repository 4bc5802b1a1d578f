#include "IncludeGraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace fs = std::filesystem;

namespace {

bool HasEdge(const std::vector<IncludeEdge>& edges, const std::string& from,
             const std::string& target) {
    return std::any_of(edges.begin(), edges.end(), [&](const IncludeEdge& edge) {
        return edge.m_from == from && edge.m_target == target;
    });
}

TEST(Layering, TheTreeFollowsTheGraph) {
    const fs::path root(SKIMVUE_SOURCE_DIR);
    const std::vector<IncludeEdge> edges = ReadIncludeEdges(root);
    // The scan reads the tree: the edges the graph is there for are found.
    ASSERT_GT(edges.size(), 100u);
    EXPECT_TRUE(HasEdge(edges, "hook", "search/Keystroke.h"));
    EXPECT_TRUE(HasEdge(edges, "launcher", "hook/Exports.h"));
    EXPECT_TRUE(HasEdge(edges, "search", "view/WndCtrl.h"));
    EXPECT_TRUE(HasEdge(edges, "launcher", "launcher/Resource.h"));
    const std::vector<std::string> violations = FindLayeringViolations(root, ProjectLayers());
    EXPECT_TRUE(violations.empty()) << ::testing::PrintToString(violations);
}

// A small tree of its own, removed again at the end.
class LayeringTree : public ::testing::Test {
  protected:
    void SetUp() override {
        m_root = fs::temp_directory_path() /
                 ("skimvue-layering-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_root);
        Write("hooklib/hook/Attach.h", "#pragma once\n");
        Write("hooklib/view/WndCtrl.h", "#pragma once\n");
        Write("hooklib/view/ExplorerCtrl.h", "#include \"view/WndCtrl.h\"\n");
        Write("hooklib/support/Messages.h", "#include <windows.h>\n");
        Write("launcher/Resource.h", "#define IDI_LAUNCHER 101\n");
    }
    void TearDown() override { fs::remove_all(m_root); }

    void Write(const std::string& file, const std::string& text) const {
        fs::create_directories((m_root / file).parent_path());
        std::ofstream(m_root / file) << text;
    }
    std::vector<std::string> Violations() const {
        return FindLayeringViolations(m_root, ProjectLayers());
    }

    fs::path m_root;
};

TEST_F(LayeringTree, AllowedIncludesPass) {
    Write("hooklib/hook/Attach.cpp",
          "#include \"hook/Attach.h\"\n#include \"view/ExplorerCtrl.h\"\n"
          "#include \"support/Messages.h\"\n#include <vector>\n");
    Write("hooklib/search/SearchRun.h", "#include \"view/WndCtrl.h\"\n");
    Write("launcher/Launcher.cpp", "#include \"Resource.h\"\n#include \"support/Messages.h\"\n");
    Write("launcher/Launcher.rc", "#include <windows.h>\n#include \"Resource.h\"\n");
    EXPECT_TRUE(Violations().empty()) << ::testing::PrintToString(Violations());
}

TEST_F(LayeringTree, AnIncludeOfAHigherSubsystemFails) {
    Write("hooklib/support/Trace.cpp", "#include <windows.h>\n\n  #  include \"hook/Attach.h\"\n");
    EXPECT_EQ(Violations(), (std::vector<std::string>{
                                "hooklib/support/Trace.cpp:3 includes hook/Attach.h: support may "
                                "not use hook"}));
}

// Every way of naming the file counts: angle brackets, a path from the including folder, and a
// header that does not exist (yet).
TEST_F(LayeringTree, EveryFormOfTheIncludeIsFound) {
    Write("hooklib/ui/InfoTip.cpp", "#include <hook/Attach.h>\n#include \"../hook/Attach.h\"\n"
                                    "#include \"hook/Planned.h\"\n// #include \"hook/Attach.h\"\n");
    EXPECT_EQ(Violations().size(), 3u) << ::testing::PrintToString(Violations());
}

TEST_F(LayeringTree, OnlyTheNamedHeaderOfASubsystemIsAllowed) {
    Write("hooklib/search/Keystroke.cpp", "#include \"view/ExplorerCtrl.h\"\n");
    Write("launcher/Launcher.cpp", "#include \"hook/Attach.h\"\n");
    EXPECT_EQ(Violations(),
              (std::vector<std::string>{
                  "hooklib/search/Keystroke.cpp:1 includes view/ExplorerCtrl.h: search may not "
                  "use view",
                  "launcher/Launcher.cpp:1 includes hook/Attach.h: launcher may not use hook"}));
}

TEST_F(LayeringTree, AFolderOutsideTheGraphFails) {
    Write("hooklib/extra/Helper.h", "#pragma once\n");
    EXPECT_EQ(Violations(), (std::vector<std::string>{
                                "hooklib/extra/Helper.h lies in no subsystem of the graph"}));
}

} // namespace
