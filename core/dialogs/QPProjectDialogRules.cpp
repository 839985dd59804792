#include "dialogs/QPProjectDialogRules.h"

#include "model/QPProjectBase.h"

namespace QPProjectDialogRules {

namespace {

template <class T>
void SetMarkingDirty(QPProjectBase& project, T& field, const T& value)
{
    if (field == value)
        return;
    field = value;
    project.dirty = true;
}

} // namespace

Form NewProjectForm()
{
    Form form;
    form.newProject = true;
    form.name = "New Project";
    form.start = QPCalendarDay::Of(LDateTime::Now());
    form.deadline = form.start.AddDays(1);
    return form;
}

Form EditProjectForm(const QPProjectBase& project)
{
    Form form;
    form.name = project.name.str();
    form.start = QPCalendarDay::Of(project.projectStart);
    form.deadline = QPCalendarDay::Of(project.projectDeadline);
    form.defaultScheduleKey = project.defaultScheduleKey;
    return form;
}

QPFormOutcome Confirm(QPProjectBase& project, const Form& form)
{
    const std::string name = QPTrimmed(form.name);
    if (name.empty())
        return QPFormRefusal{eFieldName, "Missing Data", "Please enter a name for the project."};

    const LDateTime start = form.start.At(0, 0, 0);
    const LDateTime deadline = form.deadline.At(23, 59, 59);
    if (!start.IsSet())
        return QPFormRefusal{eFieldStart, {}, {}};
    if (start >= deadline)
        return QPFormRefusal{eFieldDeadline, "Deadline Conflict",
                             "The project deadline must follow the project start. Please enter "
                             "a later date."};

    // A project that is about to be replaced may have no schedule at all (a file that could
    // not be read leaves none); its successor gets a fresh default schedule, so the new
    // form neither checks nor writes one.
    if (!form.newProject && !project.schedules.GetElementByKey(form.defaultScheduleKey))
        return QPFormRefusal{eFieldDefaultSchedule, {}, {}};

    project.SetName(name);
    SetMarkingDirty(project, project.projectStart, start);
    SetMarkingDirty(project, project.projectDeadline, deadline);
    if (!form.newProject)
        SetMarkingDirty(project, project.defaultScheduleKey, form.defaultScheduleKey);
    return std::nullopt;
}

} // namespace QPProjectDialogRules
