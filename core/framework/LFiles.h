#pragma once

#include <string>

// The folder part of a path ("." for a bare name, "/" for a file in the root).
std::string LFolderOfPath(const std::string& path);

// True when another program holds a lock on the file, as a program that is writing it
// does; false for a file that is free or does not exist.
bool LIsFileInUse(const std::string& path);
