#include "SoakTable.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

constexpr int kLabelWidth = 36;

struct Measure {
    const char* m_label;
    double (*m_value)(const ProcessFigures&);
    // Decimals shown: 0 for counts of objects.
    int m_decimals;
};

const Measure kMeasures[] = {
    {"handles", [](const ProcessFigures& f) { return static_cast<double>(f.m_handles); }, 0},
    {"threads", [](const ProcessFigures& f) { return static_cast<double>(f.m_threads); }, 0},
    {"GDI objects", [](const ProcessFigures& f) { return static_cast<double>(f.m_gdiObjects); }, 0},
    {"USER objects", [](const ProcessFigures& f) { return static_cast<double>(f.m_userObjects); },
     0},
    {"working set (MB)", [](const ProcessFigures& f) { return f.m_workingSetMb; }, 1},
    {"private bytes (MB)", [](const ProcessFigures& f) { return f.m_privateMb; }, 1},
};

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    return buffer;
}

// Start, end and their difference of one measure, "-" where a measurement failed.
std::string Cells(const Measure& measure, const StartEnd& figures) {
    const auto value = [&](const std::optional<ProcessFigures>& f) {
        return f ? Format("%9.*f", measure.m_decimals, measure.m_value(*f)) : Format("%9s", "-");
    };
    std::string cells = value(figures.m_start) + value(figures.m_end);
    if (figures.m_start && figures.m_end) {
        double diff = measure.m_value(*figures.m_end) - measure.m_value(*figures.m_start);
        // A change that rounds to nothing shows as +0, never as -0.
        if (std::fabs(diff) < 0.5 * std::pow(10.0, -measure.m_decimals)) {
            diff = 0;
        }
        return cells + Format("%+9.*f", measure.m_decimals, diff);
    }
    return cells + Format("%9s", "-");
}

std::string CountRow(const char* label, const std::string& value) {
    return Format("%-*s %s\n", kLabelWidth, label, value.c_str());
}

std::string CountsRows(const SoakCounts& c) {
    return CountRow("windows created / attached",
                    Format("%d / %d", c.m_windowsCreated, c.m_windowsAttached)) +
           CountRow("keys typed / received / selecting",
                    Format("%d / %d / %d", c.m_keysTyped, c.m_keysReceived, c.m_keysSelecting)) +
           CountRow("launcher restarts", Format("%d", c.m_restarts)) +
           CountRow("windows open at a restart / adopted",
                    Format("%d / %d", c.m_windowsAtRestarts, c.m_windowsAdopted)) +
           CountRow("windows open at the exit / detached",
                    Format("%d / %d", c.m_windowsAtExit, c.m_windowsDetached)) +
           CountRow("crashes", Format("%d", c.m_crashes)) +
           CountRow("target survived", c.m_targetSurvived ? "yes" : "no");
}

} // namespace

std::string FormatSoakTable(const SoakRun& run) {
    std::string table = Format("Soak, %s (%s): windows of %d names, %d s\n\n", run.m_build.c_str(),
                               run.m_wine.c_str(), run.m_names, run.m_seconds);
    table += Format("%-*s %27s %27s\n", kLabelWidth - 16, "", "target", "launcher");
    table += Format("%-*s", kLabelWidth - 16, "");
    for (int process = 0; process < 2; ++process) {
        table += Format("%9s%9s%9s", "start", "end", "diff");
    }
    table += "\n";
    for (const Measure& measure : kMeasures) {
        table += Format("%-*s", kLabelWidth - 16, measure.m_label) + Cells(measure, run.m_target) +
                 Cells(measure, run.m_launcher) + "\n";
    }
    table += "\nThe launcher: the first one at the start, the last one (after the restarts) at "
             "the end.\n";
    if (run.m_target.m_start && run.m_target.m_start->m_guiCountedByHand) {
        table += "Without GetGuiResources (Wine): GDI objects counted in the process's GDI handle "
                 "table,\nUSER objects as its windows.\n";
    }
    table += "\n" + CountsRows(run.m_counts);
    for (const std::string& problem : run.m_problems) {
        table += "problem: " + problem + "\n";
    }
    return table;
}
