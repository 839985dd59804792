#pragma once

#include <cstdio>
#include <string>

class QPProject;

// Sends the project's status updates with the user's e-mail settings: task updates (what
// changed for each resource since the last ones) or project updates (the chart for
// everyone who asked for it). With `dryRun` every message is printed to `out` instead and
// nothing is sent or changed. Returns the run's result (0 sent, 1 stopped by Ctrl-C, 2
// failed: the mail step's reason is already on stderr, or `error` says why nothing was
// tried); `stateTaken` says whether a successful task-update run took the project's new
// last-update state, which the caller then saves.
int RunStatusUpdates(QPProject& project, bool taskUpdates, bool dryRun, std::FILE* out,
                     bool& stateTaken, std::string& error);
