#include "tests/support/work_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kd71::test {

WorkFolder::WorkFolder() : previous_(std::filesystem::current_path()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "kd71-test-XXXXXX").string();
  const char* made = mkdtemp(pattern.data());
  if (!made) throw std::runtime_error("mkdtemp " + pattern + " failed");
  path_ = made;
  std::filesystem::current_path(path_);
  setenv("KD71_LOCK_DIR", path_.c_str(), 1);
}

WorkFolder::~WorkFolder() {
  unsetenv("KD71_LOCK_DIR");
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string WorkFolder::read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WorkFolder::write(const std::string& name, const std::string& text) const {
  std::ofstream(path_ / name, std::ios::binary) << text;
}

}  // namespace kd71::test
