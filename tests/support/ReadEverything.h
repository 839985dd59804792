#pragma once

// Everything that reads project data from bytes, run over one input: the project file
// loader (and a save and load of what it read), the element images and the association
// image that undo keeps, and restoring from them. The fuzz target calls it with arbitrary
// bytes; the regression test calls it with every input that once made it fail.

#include "fileformat/QPElementImages.h"
#include "model/QPAssociationRecord.h"
#include "model/QPProject.h"

inline void ReadEverything(const LByteArray& bytes)
{
    QPProject project;
    if (project.ProjectLoadFromBytes(bytes) == 0) {
        QPProject again;
        again.ProjectLoadFromBytes(project.ProjectSaveToBytes());
    }

    QPTask task;
    task.ReadSDF(bytes);
    QPResource resource;
    resource.ReadSDF(bytes);
    QPSchedule schedule;
    schedule.ReadSDF(bytes);
    QPAssociationRecord record;
    QPReadAssociationImage(bytes, record);

    project.ElementAddFromSDF<QPTask>(bytes, bytes);
    project.ElementEditFromSDF<QPSchedule>(1, bytes);
}
