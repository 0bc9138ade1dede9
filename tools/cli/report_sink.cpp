#include "tools/cli/report_sink.h"

bool ReportSink::Write(std::string_view text) {
  if (failed_) return false;
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), out_) != text.size()) failed_ = true;
  return !failed_;
}

bool ReportSink::Flush() {
  if (failed_) return false;
  if (std::fflush(out_) != 0) failed_ = true;
  return !failed_;
}
