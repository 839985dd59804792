#pragma once

// Engine cases written as a line of text. Plans start on Monday 1 March 2027 with the
// default schedule, Monday to Friday 08:00 to 16:00. A moment is "D.H[:MM[:SS]]", day D of
// March 2027 (days past the 31st run on into April), or "M/D.H[:MM[:SS]]" in another month.
//
// A plan is a list of items separated by ';':
//   @NAME [START LENGTHS] [week:HOURS]  a schedule: the shift start hour and the seven shift
//                                       lengths in hours, Sunday first ("@Nights 22
//                                       0,9,9,9,9,9,0"); "@Default week:36" changes the
//                                       default schedule
//   $NAME [@SCHEDULE] [RATE/OVERTIME]   a resource
//   !NAME MOMENT HOURS                  an exception of a schedule or a resource
//   NAME HOURS [WORD...]                a task ("-" for no hours)
// "@?", "fd:?" and "%?" name a schedule, resource or task that is gone.
// Task words: fd or fd:SCHEDULE (Fixed Duration), ms (milestone), at:START[..FINISH]
// (scheduled by hand), was:START..FINISH (dates from before a recalculation), alap, so: sb: sa: fo:
// fb: fa:MOMENT (Start On ... Finish After), fs: ss: ff: sf:TASK[+LAG IN DAYS] (links),
// %RESOURCE[:PERCENT], of:TASK,TASK (a header).
//
// Expected results are items separated by spaces: TASK=START..FINISH, end=MOMENT (the
// project finish), and NAME.FIELD=VALUE with the fields start, finish, show (display start),
// free, total (slack: seconds, or with d or h), freeby, totalby (a task's name or -), cost
// and conflict (0 or 1).

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

inline LDateTime At(const std::string& text)
{
    int month = 3, day = 0, hour = 0, minute = 0, second = 0;
    if (text.find('/') == std::string::npos)
        std::sscanf(text.c_str(), "%d.%d:%d:%d", &day, &hour, &minute, &second);
    else
        std::sscanf(text.c_str(), "%d/%d.%d:%d:%d", &month, &day, &hour, &minute, &second);
    return LocalTime(2027, month, day, hour, minute, second);
}

// Hours as written, in seconds.
inline int32_t Hours(const std::string& text)
{
    return static_cast<int32_t>(std::stod(text) * kHour);
}

// "4d", "2h" or plain seconds.
inline int64_t SecondsOf(const std::string& text)
{
    const char unit = text.back();
    return static_cast<int64_t>(std::stod(text) * (unit == 'd' ? 86400 : unit == 'h' ? 3600 : 1));
}

inline std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        if (part.find_first_not_of(' ') != std::string::npos)
            parts.push_back(part);
    return parts;
}

class EnginePlan : public Plan {
public:
    // A key no element has: a schedule, resource or task that was deleted.
    static constexpr int64_t kGone = 4242;

    explicit EnginePlan(const std::string& text, const std::string& start = "1.0") : Plan(At(start))
    {
        schedules_["Default"] = &DefaultSchedule();
        std::vector<std::pair<QPTask*, std::vector<std::string>>> words;
        for (const std::string& item : Split(text, ';')) {
            std::vector<std::string> w = Split(item, ' ');
            const std::string name = w[0].substr(1);
            if (w[0][0] == '@') {
                if (!schedules_.count(name)) {
                    QPSchedule& s = *(schedules_[name] = &Schedule(name, 0, {}));
                    const std::vector<std::string> lengths = Split(w[2], ',');
                    for (std::size_t day = 0; day < 7; ++day) {
                        s.shiftStart[day] = LDayTime(Hours(w[1]));
                        s.shiftDuration[day] = Hours(lengths[day]);
                    }
                }
                if (w.back().rfind("week:", 0) == 0)
                    schedules_[name]->regularWorkWeek = Hours(w.back().substr(5));
            } else if (w[0][0] == '$') {
                const QPSchedule* schedule = nullptr;
                int64_t rates[2] = {0, 0};
                for (std::size_t i = 1; i < w.size(); ++i) {
                    if (w[i][0] == '@')
                        schedule = schedules_.count(w[i].substr(1)) ? schedules_[w[i].substr(1)]
                                                                    : nullptr;
                    else
                        for (std::size_t r = 0; r < 2; ++r)
                            rates[r] = std::stoll(Split(w[i], '/').at(r));
                }
                resources_[name] = &Resource(name, schedule, rates[0], rates[1]);
                if (w.size() > 1 && w[1] == "@?")
                    resources_[name]->scheduleKey = kGone;
            } else if (w[0][0] == '!') {
                if (schedules_.count(name))
                    schedules_[name]->AddException(At(w[1]), Hours(w[2]));
                else
                    resources_.at(name)->AddException(At(w[1]), Hours(w[2]));
            } else {
                tasks_[w[0]] = &Task(w[0], w[1] == "-" ? "" : w[1]);
                words.emplace_back(tasks_[w[0]], std::vector<std::string>(w.begin() + 2, w.end()));
            }
        }
        for (auto& [task, list] : words)
            for (const std::string& word : list)
                Apply(*task, word);
    }

    QPTask& T(const std::string& name) { return *tasks_.at(name); }
    QPResource& R(const std::string& name) { return *resources_.at(name); }
    QPSchedule& S(const std::string& name) { return *schedules_.at(name); }

    // Compares the results with the expected items; `what` names the case in the messages.
    void Check(const std::string& expected, const std::string& what = "")
    {
        for (const std::string& item : Split(expected, ' ')) {
            const std::size_t equals = item.find('='), dot = item.find('.');
            const std::string key = item.substr(0, equals), value = item.substr(equals + 1);
            const std::string name = key.substr(0, dot);
            const std::string field = dot < equals ? key.substr(dot + 1) : "";
            const std::string where = what + ": " + item;
            if (name == "end") {
                EXPECT_EQ(project.projectFinish, At(value)) << where;
            } else if (field.empty()) {
                const std::size_t dots = value.find("..");
                EXPECT_EQ(T(name).start, At(value.substr(0, dots))) << where;
                EXPECT_EQ(T(name).finish, At(value.substr(dots + 2))) << where;
            } else {
                const QPTask& t = T(name);
                const std::map<std::string, LDateTime> dates = {
                        {"start", t.start}, {"finish", t.finish}, {"show", t.displayStart}};
                const std::map<std::string, int64_t> numbers = {
                        {"free", t.freeSlack},
                        {"total", t.totalSlack},
                        {"cost", t.scheduledCost},
                        {"conflict", t.resourceConflict},
                        {"freeby", t.freeSlackSuccessorID},
                        {"totalby", t.totalSlackSuccessorID}};
                if (dates.count(field))
                    EXPECT_EQ(dates.at(field), At(value)) << where;
                else if (field.size() > 2 && field.substr(field.size() - 2) == "by")
                    EXPECT_EQ(numbers.at(field), value == "-" ? -1 : T(value).id) << where;
                else if (!numbers.count(field))
                    ADD_FAILURE() << "unknown field " << where;
                else if (value[0] == '<')
                    EXPECT_LT(numbers.at(field), SecondsOf(value.substr(1))) << where;
                else
                    EXPECT_EQ(numbers.at(field), SecondsOf(value)) << where;
            }
        }
    }

private:
    void Apply(QPTask& task, const std::string& word)
    {
        const std::size_t colon = word.find(':');
        const std::string key = word.substr(0, colon);
        const std::string value = colon < word.size() ? word.substr(colon + 1) : "";
        static const std::vector<std::string> kConstraints = {"so", "sb", "sa", "fo", "fb", "fa"};
        static const std::vector<std::string> kLinks = {"fs", "ss", "ff", "sf"};
        if (key[0] == '%') {
            task.AddResourceAssignment(key == "%?" ? kGone : R(key.substr(1)).key,
                                       value.empty() ? 100 : std::stoi(value));
        } else if (key == "fd") {
            task.taskType = eTaskTypeFixedDuration;
            if (!value.empty())
                task.scheduleKey = value == "?" ? kGone : S(value).key;
        } else if (key == "ms") {
            task.milestone = true;
        } else if (key == "at" || key == "was") {
            const std::size_t dots = value.find("..");
            task.autoSchedule = key == "was";
            task.start = At(value.substr(0, dots));
            if (dots != std::string::npos)
                task.finish = At(value.substr(dots + 2));
        } else if (key == "alap") {
            task.constraintType = eConstraintAsLateAsPossible;
        } else if (key == "of") {
            task.isHeader = true;
            for (const std::string& member : Split(value, ','))
                task.subtaskKeys.push_back(T(member).key);
        } else if (const auto c = std::find(kConstraints.begin(), kConstraints.end(), key);
                   c != kConstraints.end()) {
            task.constraintType =
                    eConstraintStartOn + static_cast<int32_t>(c - kConstraints.begin());
            task.constraintDate = At(value);
        } else if (const auto l = std::find(kLinks.begin(), kLinks.end(), key); l != kLinks.end()) {
            const std::size_t plus = value.find('+');
            const std::string predecessor = value.substr(0, plus);
            task.AddDependency(predecessor == "?" ? kGone : T(predecessor).key,
                               static_cast<int32_t>(l - kLinks.begin()),
                               plus == std::string::npos ? 0.f : std::stof(value.substr(plus + 1)));
        } else {
            ADD_FAILURE() << "unknown word " << word;
        }
    }

    std::map<std::string, QPTask*> tasks_;
    std::map<std::string, QPResource*> resources_;
    std::map<std::string, QPSchedule*> schedules_;
};
