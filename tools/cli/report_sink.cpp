#include "tools/cli/report_sink.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Held text beyond this is written at once, so a long listing needs no more
// memory than a piece of it.
constexpr size_t kHeldBytes = 64 * 1024;

}  // namespace

bool ReportSink::Write(std::string_view text) {
  if (Failed()) return false;
  held_.append(text);
  return held_.size() < kHeldBytes || Flush();
}

bool ReportSink::Flush() {
  size_t done = 0;
  while (!Failed() && done < held_.size()) {
    const ssize_t written = ::write(fd_, held_.data() + done, held_.size() - done);
    if (written > 0) {
      done += static_cast<size_t>(written);
    } else if (written < 0 && errno != EINTR) {
      error_ = errno;
    } else if (written == 0) {
      error_ = EIO;
    }
  }
  held_.clear();
  return !Failed();
}

int FinishReport(ReportSink& sink, int status) {
  if (sink.Flush()) return status;
  std::fprintf(stderr, "tavrix-cli: standard output could not be written (%s); the report is incomplete\n",
               std::strerror(sink.error()));
  return status == 0 ? 1 : status;
}
