// Standard output of tavrix-cli, which scripts read as data: every write is
// checked, so a full disk or a closed pipe is a failure of the command, not
// a lost report with exit status 0.
//
// Text is held and written out in large pieces, and at the latest by Flush,
// which a command calls once its report is complete; a JSON document is
// handed over whole. After the first failed write the sink takes nothing
// more and keeps the system's reason. The program ignores SIGPIPE, so a
// closed pipe shows here as EPIPE instead of killing the process before it
// can say why.
#pragma once

#include <string>
#include <string_view>

class ReportSink {
 public:
  explicit ReportSink(int fd) : fd_(fd) {}
  ReportSink(const ReportSink&) = delete;
  ReportSink& operator=(const ReportSink&) = delete;

  // False once the sink has failed.
  bool Write(std::string_view text);
  // Writes out what is held; false when any write failed, now or before.
  bool Flush();
  bool Failed() const { return error_ != 0; }
  // The errno of the failed write.
  int error() const { return error_; }

 private:
  int fd_;
  std::string held_;
  int error_ = 0;
};

// Flushes `sink` and gives the command's exit status: a failed write is said
// on standard error and turns success into failure (1).
int FinishReport(ReportSink& sink, int status);
