// A fresh, empty working folder for a test that runs the program: the
// settings file and the single-instance lock go there, and the previous
// folder is restored afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace kd71::test {

class WorkFolder {
 public:
  WorkFolder();
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The whole text of file `name` in the folder ("" when it is missing).
  std::string read(const std::string& name) const;
  void write(const std::string& name, const std::string& text) const;

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

}  // namespace kd71::test
