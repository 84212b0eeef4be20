// Symbolic links met on the way to a file the program writes. In a shared
// folder (sticky and world-writable, as /tmp or a lab's common folder)
// another user can plant a link under the name of a file the program is
// about to write (settings.cfg, a log, an eye scan) and so have it replace
// or grow a file of the victim's. The kernel refuses to follow such links
// when it opens a path itself (fs.protected_symlinks); the program, which
// resolves links by hand to save through a temporary, applies the same
// rule: a link is followed only when this user owns it, when the folder
// holding it is not sticky and world-writable, or when the folder's owner
// also owns the link.
#pragma once

#include <string>

namespace kd71::platform {

// The file `path` leads to after its chain of links (which need not exist
// yet), in `target`. False, with `reason` naming the link and why, when a
// link on the way may not be followed for writing.
bool writing_target(const std::string& path, std::string* target, std::string* reason);

// The folder part of `path` ("." when it has none).
std::string folder_of(const std::string& path);

}  // namespace kd71::platform
