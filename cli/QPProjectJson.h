#pragma once

#include <nlohmann/json.hpp>

class QPProject;

using QPJson = nlohmann::ordered_json;

// A project file as JSON: the project record, the options, the baselines and the
// last-update copy, with every stored field under its field name. Dates are in the file's
// text forms; lists are in the order the file stores them. docs/project-json.md describes
// the layout.
QPJson QPProjectToJson(const QPProject& project);

// Fills a freshly reset project from JSON in that layout, keeping every key and ID as
// given; fields that are absent keep their defaults. Throws nlohmann::json::exception (or
// std::invalid_argument for a bad date) with a message that names the problem.
void QPProjectFromJson(const QPJson& json, QPProject& project);
