#pragma once

#include "mail/LEmailContext.h"

class QPGanttView;
class QPProject;
class QWidget;

// Sending task updates and project updates from the main window: the whole run under its
// progress window ("Sending Task Updates", "Sending Project Updates"), each message with
// the Gantt chart attached as a US Letter PDF drawn from `ganttView` as it is now, and the
// result message afterwards (an alert when the run failed). Each returns the run's
// LProcessResult. The mail services must be present.
int QPTaskUpdateExecute(QWidget* window, QPProject& project, QPGanttView& ganttView,
                        const LEmailContext& context);
int QPProjectUpdateExecute(QWidget* window, QPProject& project, QPGanttView& ganttView,
                           const LEmailContext& context);
