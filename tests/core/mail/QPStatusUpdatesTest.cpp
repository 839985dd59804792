// Each run of status updates against its part of tests/data/mail/status-updates.mails.

#include "mail/QPStatusUpdates.h"

#include "MailData.h"
#include "model/QPProject.h"
#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using std::string;

// Asks to stop at the `stopAtPoll`-th poll (0: never).
class PollingProcess final : public LProcessInterface {
public:
    bool IsToStop() override { return ++polls == stopAtPoll; }
    int polls = 0;
    int stopAtPoll = 0;
};

// The mails of one run as given between "=== name" and the next "===".
string Mails(const string& name)
{
    const string all = MailData("status-updates.mails");
    const std::size_t start = all.find("=== " + name + "\r\n") + name.size() + 6;
    return all.substr(start, all.find("===", start) - start);
}

// Tasks run Mon 1 March 2027 08:00 to Tue 2 March 16:00; the `failingSend`-th send fails.
class StatusUpdates : public ::testing::Test {
protected:
    StatusUpdates() { plan.project.name = "Harbour"; }

    QPResource& Person(const string& name, bool taskUpdates = true, bool projectUpdates = false)
    {
        QPResource& resource = plan.Resource(name);
        resource.email = name + "@example.org";
        resource.sendTaskUpdates = taskUpdates;
        resource.sendProjectUpdates = projectUpdates;
        return resource;
    }
    // Assignments are listed in the order given.
    QPTask& Work(const string& name, std::vector<std::pair<const QPResource*, int32_t>> team)
    {
        QPTask& task = plan.Task(name, "16");
        task.start = LocalTime(2027, 3, 1, 8);
        task.finish = LocalTime(2027, 3, 2, 16);
        for (auto it = team.rbegin(); it != team.rend(); ++it)
            task.AddResourceAssignment(it->first->key, it->second);
        return task;
    }
    // One run as text: each mail as "To address: subject", its body and "----", then the
    // result and the conclusion as the main window's command shows it.
    template <class Data, class Conclude>
    string Run(Conclude conclude, int stopAtPoll)
    {
        string text;
        int sends = 0;
        Data data(plan.project, [&](LProcessInterface&, const QPResource& resource,
                                    const string& subject, const string& body) {
            text += "To " + resource.email.str() + ": " + subject + "\r\n" + body + "\r\n----\r\n";
            return ++sends == failingSend ? int(eProcessFailed) : int(eProcessSucceeded);
        });
        PollingProcess process;
        process.stopAtPoll = stopAtPoll;
        const int result = Process(process, data);
        const QPUpdateResultMessage shown = conclude(result, data);
        const char* results[] = {"succeeded", "failed", "cancelled"};
        const int index = result == eProcessSucceeded ? 0 : result == eProcessFailed ? 1 : 2;
        return text + results[index] + ": " + shown.title + "|" + shown.message + "\r\n";
    }
    string SendTaskUpdates(int stopAtPoll = 0)
    {
        return Run<QPTaskUpdateProcessData>(QPTaskUpdateConclude, stopAtPoll);
    }
    string SendProjectUpdates()
    {
        return Run<QPProjectUpdateProcessData>(QPProjectUpdateConclude, 0);
    }

    Plan plan;
    int failingSend = 0;
};

TEST_F(StatusUpdates, FirstRunSendsEachResourceWithTaskUpdatesItsNewAssignments)
{
    const QPResource& ann = Person("Ann");
    const QPResource& bo = Person("Bo");
    QPResource& blank = Person("Blank");
    blank.email = "";
    Work("Survey", {{&ann, 50}, {&bo, 100}, {&Person("Off", false), 100}, {&blank, 100}});
    Work("Lease", {{&ann, 25}});
    Work("Notes", {});
    EXPECT_EQ(SendTaskUpdates(), Mails("first run"));
    // Nothing changed since: nobody is mailed, and the state still moves on.
    plan.project.dirty = false;
    EXPECT_EQ(SendTaskUpdates(), Mails("nothing changed"));
    EXPECT_NE(plan.project.lastTaskUpdateState, nullptr);
    EXPECT_TRUE(plan.project.dirty);
}

TEST_F(StatusUpdates, ChangesGoToTheResourcesTheyConcernListedInOrder)
{
    const QPResource& ann = Person("Ann");
    const QPResource& bo = Person("Bo");
    QPTask& survey = Work("Survey", {{&ann, 50}, {&bo, 100}});
    SendTaskUpdates();
    survey.resourceAssignments.front().percent = 75; // Ann's
    EXPECT_EQ(SendTaskUpdates(), Mails("commitment rate"));
    survey.finish = LocalTime(2027, 3, 3, 16);
    EXPECT_EQ(SendTaskUpdates(), Mails("finish date"));
    survey.name = "Site survey";
    survey.durationText = "24";
    survey.percentComplete = 40;
    EXPECT_EQ(SendTaskUpdates(), Mails("name, work and progress"));
}

TEST_F(StatusUpdates, DeletedTasksAreCancelledAndMovedAssignmentsRemovedOrNew)
{
    const QPResource& ann = Person("Ann");
    const QPResource& bo = Person("Bo");
    const QPResource& gone = Person("Gone");
    const int32_t goneID = gone.id;
    const int32_t leaseID = Work("Lease", {{&ann, 50}, {&bo, 100}, {&gone, 100}}).id;
    QPTask& survey = Work("Survey", {{&ann, 50}});
    SendTaskUpdates();
    ASSERT_TRUE(plan.project.ElementDelete<QPTask>(leaseID, false));
    ASSERT_TRUE(plan.project.ElementDelete<QPResource>(goneID, false));
    survey.RemoveResourceAssignment(ann.key);
    survey.AddResourceAssignment(bo.key, 80);
    // The deleted resource is passed over silently; messages go out by resource key.
    EXPECT_EQ(SendTaskUpdates(), Mails("cancelled and moved"));
}

TEST_F(StatusUpdates, ACancelOrAFailedSendStopsTheRunAndTheChangesStayForTheNext)
{
    const QPResource& ann = Person("Ann");
    Work("Survey", {{&ann, 50}, {&Person("Bo"), 100}});
    Work("Lease", {{&ann, 50}});
    // Polls come after each of Ann's two updates, then after Bo's one.
    EXPECT_EQ(SendTaskUpdates(2), Mails("cancelled at once"));
    EXPECT_EQ(SendTaskUpdates(3), Mails("cancelled after Ann"));
    failingSend = 1;
    EXPECT_EQ(SendTaskUpdates(), Mails("first send failed"));
    EXPECT_EQ(plan.project.lastTaskUpdateState, nullptr);
    EXPECT_FALSE(plan.project.dirty);
    failingSend = 0;
    EXPECT_EQ(SendTaskUpdates(), Mails("all sent after all"));
}

TEST_F(StatusUpdates, ProjectUpdatesGoToThoseWhoWantThemAndCountTheUnsent)
{
    Person("Ann", true, true);
    Person("Bo", true, false);
    Person("Cy", false, true);
    Person("Dee", false, true);
    failingSend = 2;
    EXPECT_EQ(SendProjectUpdates(), Mails("project updates"));
    // Nobody eligible: those with project updates have no address.
    for (QPResource& resource : plan.project.resources)
        resource.email = "";
    EXPECT_EQ(SendProjectUpdates(), Mails("no project updates"));
}

TEST_F(StatusUpdates, AnAddressTheSenderCannotUseIsRefusedByNameAndTheOthersAreSent)
{
    const QPResource& ann = Person("Ann", true, true);
    QPResource& mallory = Person("Mal\x1B[8mlory", true, true);
    // What a shared project file once carried: a second message inside the address.
    mallory.email = "x@example.com>\r\nDATA\r\nSubject: Invoice\r\n\r\nPay\r\n.\r\nRSET";
    Work("Survey", {{&ann, 50}, {&mallory, 50}, {&Person("Bo", true, true), 100}});
    // The run goes on past the refused resource, and ends as failed so that it is seen; the
    // changes are kept for the next run, when the address may have been mended.
    EXPECT_EQ(SendTaskUpdates(), Mails("refused address, task updates"));
    EXPECT_EQ(plan.project.lastTaskUpdateState, nullptr);
    EXPECT_EQ(SendProjectUpdates(), Mails("refused address, project updates"));
}

} // namespace
