// Replacing a file's content so that a crash, a full disk or a failed write
// never leaves it destroyed.
#pragma once

#include <string>

namespace kd71::platform {

// Writes `content` to `path`: into a temporary file in the folder of the
// path's real target (a symbolic link is followed), flushed to disk, then
// renamed over the target, keeping the old file's permissions. Where that
// folder cannot take a new file but the file itself is writable, the file is
// rewritten in place. Returns false, with nothing left behind, when the file
// could not be written completely.
bool write_file_atomically(const std::string& path, const std::string& content);

}  // namespace kd71::platform
