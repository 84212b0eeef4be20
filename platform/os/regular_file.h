// Reading a small text file that must be a regular file: the settings file,
// a simulator scenario. Anything else at the path (a FIFO, a folder, a
// device) is refused at once instead of being read, so that nothing can make
// start-up wait for a writer that never comes.
#pragma once

#include <cstddef>
#include <string>

namespace kd71::platform {

// Reads at most `max_bytes` of the regular file `path` into `text`. False,
// with `reason` saying why ("open: No such file or directory", "not a
// regular file"), when it cannot be opened for reading or is not a regular
// file; `text` is then left as it was.
bool read_regular_file(const std::string& path, std::size_t max_bytes, std::string* text,
                       std::string* reason = nullptr);

}  // namespace kd71::platform
