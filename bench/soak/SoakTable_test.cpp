#include "SoakTable.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// The cells of the table's line that starts with label, the label left off.
std::vector<std::string> Cells(const std::string& table, const std::string& label) {
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(label, 0) == 0) {
            std::istringstream words(line.substr(label.size()));
            std::vector<std::string> cells;
            for (std::string word; words >> word;) {
                cells.push_back(word);
            }
            return cells;
        }
    }
    return {};
}

ProcessFigures Figures(DWORD handles, double privateMb) {
    ProcessFigures figures;
    figures.m_handles = handles;
    figures.m_privateMb = privateMb;
    return figures;
}

// Per measure: the target's start, end and difference, then the launcher's; a difference that
// rounds to nothing is +0 either way, and a failed measurement shows as "-".
TEST(SoakTable, ShowsStartEndAndSignedDifferencePerProcess) {
    SoakRun run;
    run.m_target = StartEnd{Figures(40, 48.72), Figures(37, 48.68)};
    run.m_launcher = StartEnd{Figures(34, 18.70), std::nullopt};
    const std::string table = FormatSoakTable(run);

    using Row = std::vector<std::string>;
    EXPECT_EQ(Cells(table, "handles"), (Row{"40", "37", "-3", "34", "-", "-"}));
    EXPECT_EQ(Cells(table, "private bytes (MB)"), (Row{"48.7", "48.7", "+0.0", "18.7", "-", "-"}));
}

TEST(SoakTable, NotesWhereWineLeftTheCountingToUs) {
    SoakRun run;
    ProcessFigures counted;
    counted.m_guiCountedByHand = true;
    run.m_target = StartEnd{counted, counted};
    EXPECT_NE(FormatSoakTable(run).find("Without GetGuiResources"), std::string::npos);
    run.m_target = StartEnd{ProcessFigures{}, ProcessFigures{}};
    EXPECT_EQ(FormatSoakTable(run).find("Without GetGuiResources"), std::string::npos);
}

} // namespace
