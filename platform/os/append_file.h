// A file that only ever grows: opened to append (created when missing,
// never truncated), each record handed to the system in one write, so that
// a crash or a kill loses at most the record being written.
#pragma once

#include <cstddef>
#include <string>

namespace kd71::platform {

struct AppendFile {
  int fd = -1;
  bool empty = false;         // nothing was in it when opened
  bool ends_in_line = false;  // what was in it ended with a line feed
};

// Opens (or creates, mode 0644 less the umask) `path` for appending, without
// waiting on a pipe that has no reader, following links only as the
// protected-symlinks rule allows (link_rule.h). False,
// with the system's reason in `error`, when it cannot be opened or is not a
// regular file.
bool open_for_append(const char* path, AppendFile* file, std::string* error);

// Appends `size` bytes, resuming after partial writes and interruptions.
// False, with the errno value in `error_number`, when not all could be
// written; also when the file was removed since it was opened (ENOENT), so
// that its records do not vanish unseen. Allocates nothing.
bool append_record(AppendFile& file, const char* data, std::size_t size, int* error_number);

void close_append_file(AppendFile& file);

}  // namespace kd71::platform
