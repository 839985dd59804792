#pragma once

#include <cstdint>

// The project file: an SDF stream of this type and version. The older layout, whose root
// held the project record's fields directly, used type 16; files before version 4 referred
// to elements by their IDs instead of their keys.
inline constexpr uint32_t kProjectFileType = 24;
inline constexpr uint32_t kProjectFileTypeOld = 16;
inline constexpr uint16_t kProjectFileVersion = 4;

// Chunk tags. Each record's tags mean something only inside that record.
enum eProjectFileTag : uint16_t {
    // Root
    eTagProject = 4096,
    eTagOptions = 1024,
    eTagBaseline = 1280,
    eTagLastTaskUpdate = 4352,

    // Project record
    eTagProjectName = 1,
    eTagProjectDefaultScheduleID = 2, // older files: an ID
    eTagProjectStart = 3,
    eTagProjectFinish = 4,
    eTagProjectDeadline = 5,
    eTagProjectLastKey = 7,
    eTagProjectDefaultScheduleKey = 8,
    eTagTask = 256,
    eTagResource = 512,
    eTagSchedule = 768,

    // Task record
    eTagTaskName = 257,
    eTagTaskDuration = 258,
    eTagTaskID = 259,
    eTagTaskPercentComplete = 260,
    eTagTaskAutoSchedule = 263,
    eTagTaskMilestone = 266,
    eTagTaskStart = 268,
    eTagTaskFinish = 269,
    eTagTaskConstraintDate = 271,
    eTagTaskConstraintType = 272,
    eTagTaskType = 273,
    eTagTaskDependency = 274,
    eTagTaskAssignment = 278,
    eTagTaskDisplayStart = 285,
    eTagTaskFreeSlack = 286,
    eTagTaskTotalSlack = 287,
    eTagTaskScheduledCost = 288,
    eTagTaskScheduledCostToDate = 289,
    eTagTaskKey = 290,
    eTagTaskSubtaskKey = 293,
    eTagTaskHideSubtasks = 294,
    eTagTaskScheduleKey = 295,
    eTagTaskIsHeader = 296,
    eTagTaskNotes = 297,

    // Dependency record
    eTagDependencyPredecessorID = 275, // older files: an ID
    eTagDependencyType = 276,
    eTagDependencyLag = 277,
    eTagDependencyPredecessorKey = 291,

    // Assignment record
    eTagAssignmentResourceID = 279, // older files: an ID
    eTagAssignmentPercent = 280,
    eTagAssignmentResourceKey = 292,

    // Resource record
    eTagResourceName = 513,
    eTagResourceEmail = 514,
    eTagResourceID = 515,
    eTagResourceScheduleID = 516, // older files: an ID
    eTagResourceReserved = 517,
    eTagResourceHourlyRate = 518,
    eTagResourceOvertimeRate = 519,
    eTagResourceException = 522,
    eTagResourceRegularCost = 523,
    eTagResourceOvertimeCost = 524,
    eTagResourceKey = 525,
    eTagResourceScheduleKey = 526,
    eTagResourceNotes = 527,
    eTagResourceSendProjectUpdates = 528,
    eTagResourceSendTaskUpdates = 529,

    // Schedule record
    eTagScheduleID = 769,
    eTagScheduleName = 771,
    eTagScheduleShiftHoursSunday = 773,    // older files: hours as a float, to 779
    eTagScheduleShiftStartSunday = 780,    // to 786
    eTagScheduleShiftDurationSunday = 787, // to 793
    eTagScheduleRegularWorkWeek = 794,
    eTagScheduleWorkWeekStart = 795,
    eTagScheduleKey = 796,
    eTagScheduleException = 848,

    // Exception record
    eTagExceptionDate = 849,
    eTagExceptionWorkSeconds = 850,
    eTagExceptionDate64 = 851, // the full date when it does not fit in 32 bits

    // Baseline record
    eTagBaselineID = 1281,

    // Options record
    eTagOptionsCurrencyCode = 1025,
    eTagOptionsCurrencySymbol = 1026,
    eTagOptionsCurrencyName = 1027,
    eTagOptionsDecimalSymbol = 1028,
    eTagOptionsThousandsSymbol = 1029,
    eTagOptionsDateSeparator = 1030,
    eTagOptionsCurrencyPosition = 1031,
    eTagOptionsCurrencyDigits = 1032,
    eTagOptionsDateFormat = 1033,
    eTagOptionsDateOrder = 1034,

    // Association image
    eTagAssociationDependency = 281,
    eTagAssociationDependencyOwnerKey = 282,
    eTagAssociationAssignment = 283,
    eTagAssociationAssignmentOwnerKey = 284,
    eTagAssociationResourceOnSchedule = 881,
};
