#pragma once

#include "model/QPTask.h"

#include <cstdint>

// Which tasks get a row in the chart and in the task list. Fed the tasks in list order:
// a header's row always shows, and the tasks of the group right under a header that hides
// its subtasks do not.
class QPSubtaskHiding {
public:
    bool Shows(const QPTask& task)
    {
        if (task.isHeader) {
            headerKey_ = task.key;
            hides_ = task.hideSubtasks;
            return true;
        }
        return !(hides_ && task.headerKey != -1 && task.headerKey == headerKey_);
    }

private:
    int64_t headerKey_ = -1;
    bool hides_ = false;
};
