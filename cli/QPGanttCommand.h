#pragma once

#include <string>

class QPProject;

// Fonts, PDF output, sockets and the user's settings need the toolkit's application object,
// but no display: makes one (offscreen) the first time.
void EnsureToolkit();

// Writes the project's Gantt chart as a one-page PDF at `path`. False, with the reason in
// `error`, when the file cannot be written; the file is then left as it was.
bool WriteGanttChartPDF(const QPProject& project, const std::string& path, std::string& error);

class QPBaseline;

// Writes the comparison of the project with one of its baselines as US Letter pages at
// `path`, with the same guarantees.
bool WriteBaselineComparisonPDF(const QPProject& project, const QPBaseline& baseline,
                                const std::string& path, std::string& error);

class QPReportBase;

// Writes a generated report as A4 pages at `path`, with the same guarantees.
bool WriteReportPDF(QPReportBase& report, const std::string& path, std::string& error);
