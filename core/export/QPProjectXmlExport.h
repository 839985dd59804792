#pragma once

#include <string>
#include <string_view>

class QPProject;

// Export of a project in the Project XML interchange format (MSPDI), which other planning
// programs read: the project's header fields, one calendar per schedule (and one per
// resource with exceptions of its own), the tasks under a project summary task, the
// resources and the assignments, each in the element order the format's schema sets.
// The export writes the plan as it stands; callers recalculate first. docs/project-xml-
// export.md says what maps to what and what the format cannot hold.

// The whole document, UTF-8, indented by two spaces.
std::string QPProjectXmlExport(const QPProject& project);

// Writes the document to `path`: filled beside it and renamed into place only when
// complete, so that a failure leaves an earlier file as it was and no partial one. False
// when the folder cannot be written, the disk is full or the path names something other
// than a file.
bool QPProjectXmlExportToFile(const QPProject& project, const std::string& path);

// Element text: & < > and " as entities, a carriage return as &#13; (a reader would turn
// a line end CR LF into LF otherwise), control characters that XML 1.0 forbids as a space,
// and bytes that are not UTF-8 (texts from other programs' files) as U+FFFD, as are the
// two non-characters U+FFFE and U+FFFF.
std::string QPXmlEscapeText(std::string_view text);
