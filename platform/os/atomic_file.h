// Replacing a file's content so that a crash, a kill, a full disk or a
// failed write never leaves it destroyed.
#pragma once

#include <cstddef>
#include <string>

namespace kd71::platform {

// Start of the names of the temporary files a save goes through. A save
// holds its temporary locked (flock) while it exists; one that is not locked
// was left by a save that was killed, and the next save into that folder
// removes it.
inline constexpr const char* kSaveTemporaryPrefix = ".kd71-save-";

// Largest content the in-place rewrite lays down in one write (one page):
// a kill cannot split such a write.
inline constexpr std::size_t kInPlaceLimit = 4096;

// Writes `content` to `path`, following symbolic links to the real target
// as far as the protected-symlinks rule allows (link_rule.h):
// - a target that exists must be a regular file that this user may write
//   and that has a write permission bit at all (a file made read-only is
//   frozen on purpose; not even root replaces it);
// - the content goes into a temporary file in the target's folder (unnamed
//   where the file system offers that, so that a kill leaves nothing
//   behind), is flushed to disk and renamed over the target, with the old
//   file's owner and permissions where they can be kept;
// - where the folder takes no new file but the file itself is writable, the
//   file is rewritten in place: the new content followed by one line feed is
//   laid over the old in one write, then the file is cut to the new length.
//   A reader that stops at the end of the last value it reads (the settings
//   reader does) finds the old or the new content whatever moment the
//   program is killed.
// Returns false when the file was not written, with `reason` naming the
// failing call and its error; the previous file is then left as it was.
bool write_file_atomically(const std::string& path, const std::string& content,
                           std::string* reason = nullptr);

}  // namespace kd71::platform
