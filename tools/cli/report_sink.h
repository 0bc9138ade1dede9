// Standard output as the command line's one data channel: every report goes
// through here, each write is checked, and a failed write (a closed pipe, a
// full disk) is remembered, so the exit status can say the data did not
// arrive. Once failed, further writes are dropped.
#pragma once

#include <cstdio>
#include <string_view>

class ReportSink {
 public:
  explicit ReportSink(std::FILE* out = stdout) : out_(out) {}

  bool Write(std::string_view text);
  bool Flush();
  bool Failed() const { return failed_; }

 private:
  std::FILE* out_;
  bool failed_ = false;
};
