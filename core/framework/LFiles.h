#pragma once

#include <functional>
#include <string>
#include <string_view>

// The folder for temporary files: $TMPDIR when set, else /tmp; without a trailing slash
// (but "/" itself stays).
std::string LTemporaryFolder();

// The folder part of a path ("." for a bare name, "/" for a file in the root).
std::string LFolderOfPath(const std::string& path);

// True when another program holds a lock on the file, as a program that is writing it
// does; false for a file that is free or does not exist.
bool LIsFileInUse(const std::string& path);

// The file a path names, symbolic links followed, so that saving replaces the file a link
// points to rather than the link; the path itself when it does not exist yet.
std::string LResolvedPath(const std::string& path);

// Saves a file so that no failure can harm the one already there: `write` fills a new file
// beside `target` (its descriptor is locked while it is written), which is flushed to disk
// and renamed over the target only when complete. The new file takes `existingMode` (the
// permissions of the file it replaces) or, when that is -1, a new file's (0666 less the
// umask). False, with nothing left beside the target, when any step fails.
bool LReplaceFile(const std::string& target, int existingMode,
                  const std::function<bool(int fd)>& write);

// Writes all of `bytes` to a descriptor; false on an error.
bool LWriteAll(int fd, std::string_view bytes);
