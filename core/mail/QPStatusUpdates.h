#pragma once

#include "framework/LProcessInterface.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QPBaseline;
class QPProject;
class QPProjectBase;
class QPResource;
class QPTask;

// Status updates: what changed for each resource since task updates were last sent, and
// the current chart for everyone who wants project updates.

// Sends one message with the Gantt chart attached to the resource's `email`
// (LEmailPrintProcess in the program, a recorder in tests); returns an LProcessResult.
// Resources without an address, or with one the mail sender cannot use
// (LEmail::IsSendableAddress), are never handed to it.
using QPSendWithChart = std::function<int(LProcessInterface& process, const QPResource& resource,
                                          const std::string& subject, const std::string& body)>;

// The texts of one task before and after, as the messages show them.
struct QPTaskStatusTexts {
    std::string name;
    std::string work;     // durationText
    std::string start;    // local date in the project's date profile
    std::string finish;   // local date in the project's date profile
    std::string progress; // percentComplete, "%d"
};

enum QPResourceUpdateType : int32_t {
    eResourceUpdateNew = 0,
    eResourceUpdateRemoved = 1,
    eResourceUpdateChanged = 2,
    eResourceUpdateCancelled = 3,
};

struct QPTaskStatusUpdate;

struct QPResourceUpdate {
    int32_t oldPercent = 0;
    int32_t newPercent = 0;
    QPResourceUpdateType type = eResourceUpdateNew;
    const QPResource* resource = nullptr;
    const QPTaskStatusUpdate* status = nullptr;
};

// One task that produced at least one resource update: its texts before (the last update
// state) and now; a missing side has empty texts.
struct QPTaskStatusUpdate {
    QPTaskStatusUpdate(const QPProject& project, const QPTask* oldTask, const QPTask* newTask);

    // Appends the message of one resource update of this task to `text`.
    void AppendUpdateMessage(const QPResourceUpdate& update, std::string& text) const;

    QPTaskStatusTexts oldTexts;
    QPTaskStatusTexts newTexts;
    bool nameChanged = false;
    bool workChanged = false;
    bool datesChanged = false; // only when both tasks exist
    bool progressChanged = false;
};

// Task updates: the generated lists, then the sending with its counts.
class QPTaskUpdateProcessData {
public:
    QPTaskUpdateProcessData(QPProject& project, QPSendWithChart send);

    void GenerateTaskUpdates();
    // Each returns true when at least one resource update was made.
    bool CreateResourceUpdatesCancelledNew(const QPTask& task, QPTaskStatusUpdate& status,
                                           QPResourceUpdateType type);
    bool CreateResourceUpdatesRemoved(const QPTask& newTask, const QPTask& oldTask,
                                      QPTaskStatusUpdate& status);
    bool CreateResourceUpdatesTaskChanged(const QPTask& newTask, const QPTask& oldTask,
                                          QPTaskStatusUpdate& status);
    // The number of different resources in the list of resource updates.
    int CountResourceRecipients() const;

    QPProject& project;
    const QPBaseline* lastState; // the project's last task update state, may be none
    QPSendWithChart send;
    std::vector<std::unique_ptr<QPTaskStatusUpdate>> statusUpdates;
    // Ordered by resource key; equal keys in the order they were made.
    std::vector<QPResourceUpdate> resourceUpdates;
    int emailsSent = 0;
    int recipients = 0;
    // The names of the resources whose address could not be used, in the order met.
    std::vector<std::string> refused;
};

// Generates the updates and sends each resource its message ("Sending Task Updates"). A
// resource whose address cannot be used is passed over and the run goes on with the
// others; the run then ends as failed, so the last update state stays and the changes are
// sent again once the address is mended. A failed send ends the run at once.
int Process(LProcessInterface& process, QPTaskUpdateProcessData& data);

class QPProjectUpdateProcessData {
public:
    QPProjectUpdateProcessData(QPProject& project, QPSendWithChart send);

    QPProject& project;
    QPSendWithChart send;
    int emailsSent = 0;
    int emailsGenerated = 0;
    std::vector<std::string> refused; // as in QPTaskUpdateProcessData
};

// Sends the chart to every resource with project updates ("Sending Project Updates"),
// passing over the resources whose address cannot be used as the task updates do.
int Process(LProcessInterface& process, QPProjectUpdateProcessData& data);

// What the user is told after a run.
struct QPUpdateResultMessage {
    std::string title;
    std::string message;
};

// What the result message says of a resource whose address could not be used; the name
// as it can safely be shown (it comes from the project file).
std::string QPRefusedAddressText(std::string_view resourceName);

// After a task-update run: takes the last task update state when the run succeeded, and
// returns the message to show, with a line for each resource whose address was refused.
QPUpdateResultMessage QPTaskUpdateConclude(int result, QPTaskUpdateProcessData& data);
// After a project-update run: the message to show.
QPUpdateResultMessage QPProjectUpdateConclude(int result, const QPProjectUpdateProcessData& data);
