#include "platform/os/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/os/link_rule.h"

namespace kd71::platform {

bool open_for_append(const char* name, AppendFile* file, std::string* error) {
  std::string target;
  if (!writing_target(name, &target, error)) return false;
  const char* path = target.c_str();
  const int fd =
      ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (error) *error = "it is not a regular file";
    ::close(fd);
    return false;
  }
  file->fd = fd;
  file->empty = st.st_size == 0;
  file->ends_in_line = false;
  if (!file->empty) {
    // The last byte, read through a second descriptor: this one only appends.
    const int reader = ::open(path, O_RDONLY | O_CLOEXEC);
    char last = 0;
    if (reader >= 0 && ::pread(reader, &last, 1, st.st_size - 1) == 1)
      file->ends_in_line = last == '\n';
    if (reader >= 0) ::close(reader);
  }
  return true;
}

bool append_record(AppendFile& file, const char* data, std::size_t size, int* error_number) {
  if (file.fd < 0) {
    if (error_number) *error_number = EBADF;
    return false;
  }
  struct stat st {};
  if (::fstat(file.fd, &st) == 0 && st.st_nlink == 0) {
    if (error_number) *error_number = ENOENT;
    return false;
  }
  while (size > 0) {
    const ssize_t n = ::write(file.fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (error_number) *error_number = n < 0 ? errno : ENOSPC;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void close_append_file(AppendFile& file) {
  if (file.fd >= 0) ::close(file.fd);
  file.fd = -1;
}

}  // namespace kd71::platform
