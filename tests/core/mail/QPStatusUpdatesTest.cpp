#include "mail/QPStatusUpdates.h"

#include "model/QPProject.h"
#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Asks to stop at the `stopAtPoll`-th poll (0: never).
class PollingProcess final : public LProcessInterface {
public:
    bool IsToStop() override { return ++polls == stopAtPoll; }
    int polls = 0;
    int stopAtPoll = 0;
};

// Tasks run Monday 1 March 2027 08:00 to Tuesday 2 March 16:00. Every send is recorded as
// "name: body" without the greeting and the signature; the `failingSend`-th one fails.
class StatusUpdates : public ::testing::Test {
protected:
    StatusUpdates() { plan.project.name = "Harbour"; }

    QPResource& Person(const std::string& name, bool taskUpdates = true,
                       bool projectUpdates = false)
    {
        QPResource& resource = plan.Resource(name);
        resource.email = name + "@example.org";
        resource.sendTaskUpdates = taskUpdates;
        resource.sendProjectUpdates = projectUpdates;
        return resource;
    }
    // Assignments are listed in the order given.
    QPTask& Work(const std::string& name, std::vector<std::pair<const QPResource*, int32_t>> team)
    {
        QPTask& task = plan.Task(name, "16");
        task.start = LocalTime(2027, 3, 1, 8);
        task.finish = LocalTime(2027, 3, 2, 16);
        for (auto it = team.rbegin(); it != team.rend(); ++it)
            task.AddResourceAssignment(it->first->key, it->second);
        return task;
    }
    QPSendWithChart Recorder()
    {
        return [this](LProcessInterface&, const QPResource& resource, const std::string& subject,
                      const std::string& body) {
            const std::string opening = "The following changes have been made to tasks which "
                                        "impact " +
                                        resource.name.str() + ":\r\n\r\n";
            const std::string signature = "\r\n\r\nThis email has been automatically generated "
                                          "by Orvik Software's Kestrano.";
            EXPECT_EQ(resource.email.str(), resource.name.str() + "@example.org");
            std::string text = body;
            if (text.starts_with(opening))
                text = resource.name.str() + ": " + text.substr(opening.size());
            if (text.ends_with(signature))
                text.resize(text.size() - signature.size());
            sent.push_back(subject == "Task update summary for Harbour" ? text
                                                                        : subject + "|" + text);
            return int(sent.size()) == failingSend ? int(eProcessFailed) : int(eProcessSucceeded);
        };
    }
    // One run with its conclusion as "title|message", as the main window's command makes
    // it; the sends of the run are in `sent`.
    template <class Data, class Conclude>
    int Run(Conclude conclude, int stopAtPoll = 0)
    {
        sent.clear();
        Data data(plan.project, Recorder());
        PollingProcess process;
        process.stopAtPoll = stopAtPoll;
        const int result = Process(process, data);
        const QPUpdateResultMessage shown = conclude(result, data);
        conclusion = shown.title + "|" + shown.message;
        return result;
    }
    int SendTaskUpdates(int stopAtPoll = 0)
    {
        return Run<QPTaskUpdateProcessData>(QPTaskUpdateConclude, stopAtPoll);
    }
    int SendProjectUpdates() { return Run<QPProjectUpdateProcessData>(QPProjectUpdateConclude); }

    Plan plan;
    Lines sent;
    int failingSend = 0;
    std::string conclusion;
};

const std::string kNew =
        "New task assignment: Survey\r\nTotal assessed work: 16\r\nCommitment rate: ";
const std::string kDates = "Scheduled start: 1 March 2027\r\nScheduled finish: 2 March 2027\r\n"
                           "Current progress: 0% complete\r\n\r\n\r\n";

TEST_F(StatusUpdates, FirstRunSendsEachResourceWithTaskUpdatesItsNewAssignments)
{
    const QPResource& ann = Person("Ann");
    const QPResource& bo = Person("Bo");
    QPResource& blank = Person("Blank");
    blank.email = "";
    Work("Survey", {{&ann, 50}, {&bo, 100}, {&Person("Off", false), 100}, {&blank, 100}});
    Work("Lease", {{&ann, 25}});
    Work("Notes", {});
    ASSERT_EQ(SendTaskUpdates(), eProcessSucceeded);
    std::string lease = kNew + "25%\r\n" + kDates;
    lease.replace(lease.find("Survey"), 6, "Lease");
    EXPECT_EQ(sent, (Lines{"Ann: " + kNew + "50%\r\n" + kDates + lease,
                           "Bo: " + kNew + "100%\r\n" + kDates}));
    EXPECT_EQ(conclusion, "Task Update Send Results|Task updates generated: 2\r\nUpdates "
                          "successfully sent: 2");
    // Nothing changed since: nobody is mailed, and the state still moves on.
    plan.project.dirty = false;
    ASSERT_EQ(SendTaskUpdates(), eProcessSucceeded);
    EXPECT_EQ(sent, Lines{});
    EXPECT_EQ(conclusion, "No Task Updates Sent|No resources eligible to receive task updates "
                          "have been impacted by recent changes.");
    ASSERT_NE(plan.project.lastTaskUpdateState, nullptr);
    EXPECT_EQ(plan.project.lastTaskUpdateState->name, "Last Task Update");
    EXPECT_TRUE(plan.project.dirty);
}

TEST_F(StatusUpdates, ChangesGoToTheResourcesTheyConcernListedInOrder)
{
    const QPResource& ann = Person("Ann");
    const QPResource& bo = Person("Bo");
    QPTask& survey = Work("Survey", {{&ann, 50}, {&bo, 100}});
    ASSERT_EQ(SendTaskUpdates(), eProcessSucceeded);

    survey.resourceAssignments.front().percent = 75; // Ann's
    ASSERT_EQ(SendTaskUpdates(), eProcessSucceeded);
    EXPECT_EQ(sent, (Lines{"Ann: Changes for Survey\r\nOld commitment rate: 50%\r\nNew commitment "
                           "rate: 75%\r\n\r\n\r\n"}));
    survey.finish = LocalTime(2027, 3, 3, 16);
    ASSERT_EQ(SendTaskUpdates(), eProcessSucceeded);
    const std::string dates = "Old start date: 1 March 2027\r\nOld finish date: 2 March 2027\r\n"
                              "New start date: 1 March 2027\r\nNew finish date: 3 March 2027\r\n";
    EXPECT_EQ(sent.at(1), "Bo: Changes for Survey\r\n" + dates + "\r\n\r\n");

    survey.name = "Site survey";
    survey.durationText = "24";
    survey.percentComplete = 40;
    ASSERT_EQ(SendTaskUpdates(), eProcessSucceeded);
    EXPECT_EQ(sent.at(0), "Ann: Old task name: Survey\r\nNew task name: Site survey\r\n"
                          "Old work assessment: 16 hours\r\nNew work assessment: 24 hours\r\n"
                          "Old progress: 0% complete\r\nNew progress: 40% complete\r\n\r\n\r\n");
    EXPECT_EQ(sent.size(), 2u);
}

TEST_F(StatusUpdates, DeletedTasksAreCancelledAndMovedAssignmentsRemovedOrNew)
{
    const QPResource& ann = Person("Ann");
    const QPResource& bo = Person("Bo");
    const QPResource& gone = Person("Gone");
    const int32_t goneID = gone.id;
    const int32_t leaseID = Work("Lease", {{&ann, 50}, {&bo, 100}, {&gone, 100}}).id;
    QPTask& survey = Work("Survey", {{&ann, 50}});
    ASSERT_EQ(SendTaskUpdates(), eProcessSucceeded);

    ASSERT_TRUE(plan.project.ElementDelete<QPTask>(leaseID, false));
    ASSERT_TRUE(plan.project.ElementDelete<QPResource>(goneID, false));
    survey.RemoveResourceAssignment(ann.key);
    survey.AddResourceAssignment(bo.key, 80);
    ASSERT_EQ(SendTaskUpdates(), eProcessSucceeded);
    // The deleted resource is passed over silently; messages go out by resource key.
    const std::string cancelled =
            "The task \"Lease\" has been cancelled. Please discontinue work on this task.\r\n\r\n";
    EXPECT_EQ(sent, (Lines{"Ann: " + cancelled +
                                   "You are no longer assigned to work on \"Survey.\"\r\n\r\n",
                           "Bo: " + cancelled + kNew + "80%\r\n" + kDates}));
}

TEST_F(StatusUpdates, ACancelOrAFailedSendStopsTheRunAndTheChangesStayForTheNext)
{
    const QPResource& ann = Person("Ann");
    Work("Survey", {{&ann, 50}, {&Person("Bo"), 100}});
    Work("Lease", {{&ann, 50}});
    // Polls come after each of Ann's two updates, then after Bo's one.
    EXPECT_EQ(SendTaskUpdates(2), eProcessCancelled);
    EXPECT_EQ(sent.size(), 0u);
    EXPECT_EQ(SendTaskUpdates(3), eProcessCancelled);
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(conclusion, "Task Update Send Results|Task updates generated: 2\r\nUpdates "
                          "successfully sent: 1");
    failingSend = 1;
    EXPECT_EQ(SendTaskUpdates(), eProcessFailed);
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(plan.project.lastTaskUpdateState, nullptr);
    EXPECT_FALSE(plan.project.dirty);
    failingSend = 0;
    EXPECT_EQ(SendTaskUpdates(), eProcessSucceeded);
    EXPECT_EQ(sent.size(), 2u);
}

TEST_F(StatusUpdates, ProjectUpdatesGoToThoseWhoWantThemAndCountTheUnsent)
{
    Person("Ann", true, true);
    Person("Bo", true, false);
    Person("Cy", false, true);
    Person("Dee", false, true);
    failingSend = 2;
    EXPECT_EQ(SendProjectUpdates(), eProcessFailed);
    const std::string body =
            "Please refer to the attached PDF for a current Gantt chart for Harbour.";
    EXPECT_EQ(sent,
              (Lines{"Project update for Harbour|" + body, "Project update for Harbour|" + body}));
    EXPECT_EQ(conclusion, "Project Update Send Results|Project updates generated: 3\r\nUpdates "
                          "successfully sent: 1");
    // Nobody eligible: those with project updates have no address.
    for (QPResource& resource : plan.project.resources)
        resource.email = "";
    EXPECT_EQ(SendProjectUpdates(), eProcessSucceeded);
    EXPECT_EQ(conclusion, "No Project Updates Sent|No resources eligible to receive project "
                          "updates have been impacted by recent changes.");
}

TEST_F(StatusUpdates, AnAddressTheSenderCannotUseIsRefusedByNameAndTheOthersAreSent)
{
    const QPResource& ann = Person("Ann", true, true);
    QPResource& mallory = Person("Mal\x1B[8mlory", true, true);
    // What a shared project file once carried: a second message inside the address.
    mallory.email = "x@example.com>\r\nDATA\r\nSubject: Invoice\r\n\r\nPay\r\n.\r\nRSET";
    Work("Survey", {{&ann, 50}, {&mallory, 50}, {&Person("Bo", true, true), 100}});
    const std::string refusal = ": 2\r\nThe e-mail address of resource \"Mal\xEF\xBF\xBD[8mlory\" "
                                "cannot be used, so no update was sent to it.";
    // The run goes on past the refused resource, and ends as failed so that it is seen; the
    // changes are kept for the next run, when the address may have been mended.
    EXPECT_EQ(SendTaskUpdates(), eProcessFailed);
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_EQ(conclusion, "Task Update Send Results|Task updates generated: 3\r\nUpdates "
                          "successfully sent" +
                                  refusal);
    EXPECT_EQ(plan.project.lastTaskUpdateState, nullptr);
    EXPECT_EQ(SendProjectUpdates(), eProcessFailed);
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_EQ(conclusion, "Project Update Send Results|Project updates generated: 3\r\nUpdates "
                          "successfully sent" +
                                  refusal);
}

} // namespace
