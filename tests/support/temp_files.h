// Files a test writes (fleets for the simulator, address lists for the
// batch) under /tmp with unique names, removed when the owner goes, also
// when the test fails half-way.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

class TempFiles {
 public:
  TempFiles() = default;
  TempFiles(const TempFiles&) = delete;
  TempFiles& operator=(const TempFiles&) = delete;
  ~TempFiles() {
    for (const std::string& path : paths_) unlink(path.c_str());
  }

  // The new file's path; empty when it could not be written whole.
  std::string Write(const std::string& content) {
    char path[] = "/tmp/tavrix-test-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) paths_.push_back(path);
    const bool whole = fd >= 0 && write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    if (fd >= 0) close(fd);
    return whole ? path : std::string();
  }

 private:
  std::vector<std::string> paths_;
};
