#pragma once

#include <string>

class QPProject;

// Writes the project's Gantt chart as a one-page PDF at `path`. False, with the reason in
// `error`, when the file cannot be written; the file is then left as it was.
bool WriteGanttChartPDF(const QPProject& project, const std::string& path, std::string& error);
