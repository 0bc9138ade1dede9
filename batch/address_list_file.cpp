#include "batch/address_list_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

}  // namespace

AddressListReader::AddressListReader(const std::string& path) {
  // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for one.
  const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    status_ = AddressListStatus::kCannotOpen;
    error_ = path.empty() ? ENOENT : errno;
    return;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    status_ = AddressListStatus::kReadFailed;
    error_ = errno;
  } else if (!S_ISREG(info.st_mode)) {
    status_ = AddressListStatus::kNotRegularFile;
  } else if (info.st_size > kAddressListMaxBytes) {
    status_ = AddressListStatus::kTooLarge;
  } else if ((file_ = fdopen(fd, "rb")) == nullptr) {
    status_ = AddressListStatus::kReadFailed;
    error_ = errno;
  }
  if (file_ == nullptr) {
    ::close(fd);
    return;
  }
  unsigned char head[sizeof kByteOrderMark];
  const size_t got = std::fread(head, 1, sizeof head, file_);
  if (got == sizeof head && std::equal(head, head + got, kByteOrderMark)) {
    bytesRead_ = got;
  } else if (std::fseek(file_, 0, SEEK_SET) != 0) {
    status_ = AddressListStatus::kReadFailed;
    error_ = errno;
  }
}

AddressListReader::~AddressListReader() {
  if (file_ != nullptr) std::fclose(file_);
}

std::optional<std::string> AddressListReader::NextPiece() {
  if (status_ != AddressListStatus::kRead) return std::nullopt;
  std::string piece;
  bool readAnything = false;
  while (piece.size() < kAddressListPieceLength) {
    const int c = getc_unlocked(file_);
    if (c == EOF) {
      if (std::ferror(file_)) {
        status_ = AddressListStatus::kReadFailed;
        error_ = errno;
      }
      break;
    }
    if (++bytesRead_ > kAddressListMaxBytes) {
      status_ = AddressListStatus::kTooLarge;
      return std::nullopt;
    }
    readAnything = true;
    if (c == '\n') return piece;
    if (c == '\r') {
      const int next = getc_unlocked(file_);
      if (next == '\n') {
        ++bytesRead_;
        return piece;
      }
      if (next != EOF) ungetc(next, file_);
    }
    piece.push_back(static_cast<char>(c));
  }
  if (!readAnything || status_ != AddressListStatus::kRead) return std::nullopt;
  return piece;
}

namespace {

// Hands every piece to `take`; the reader's status, or kStopped, and the
// reader's errno in `error`.
template <typename Take>
AddressListStatus ReadPieces(const std::string& path, const std::function<bool()>& shouldStop, int* error, Take take) {
  AddressListReader reader(path);
  while (true) {
    if (shouldStop && shouldStop()) return AddressListStatus::kStopped;
    const std::optional<std::string> piece = reader.NextPiece();
    if (!piece) {
      *error = reader.error();
      return reader.status();
    }
    take(*piece);
  }
}

}  // namespace

AddressList ReadAddressList(const std::string& path, const std::function<bool()>& shouldStop) {
  AddressList list;
  list.status = ReadPieces(path, shouldStop, &list.error, [&](const std::string& piece) {
    if (std::optional<AddressListRecord> record = ParseAddressListLine(piece)) {
      list.records.push_back(std::move(*record));
    }
  });
  if (list.status != AddressListStatus::kRead) list.records.clear();
  return list;
}

void AppendAddressListLine(AddressListLines& file, std::string_view piece) {
  AddressListLine line = ExamineAddressListLine(piece);
  if (line.fault == AddressListFault::kBlank || line.fault == AddressListFault::kComment) return;
  if (!line.record && ++file.unusableCount > kAddressListMaxKeptUnusable) return;
  file.lines.push_back(std::move(line));
}

AddressListLines ReadAddressListLines(const std::string& path) {
  AddressListLines file;
  file.status =
      ReadPieces(path, {}, &file.error, [&](const std::string& piece) { AppendAddressListLine(file, piece); });
  if (file.status != AddressListStatus::kRead) file = AddressListLines{file.status, file.error, {}, 0};
  return file;
}

std::vector<AddressListRecord> ReadAddressListFile(const std::string& path) { return ReadAddressList(path).records; }

const char* AddressListStatusText(AddressListStatus status) {
  switch (status) {
    case AddressListStatus::kRead:
    case AddressListStatus::kStopped:
      return "";
    case AddressListStatus::kCannotOpen:
      return "The address list file cannot be opened.";
    case AddressListStatus::kNotRegularFile:
      return "The address list must be a regular file, not a folder, device or pipe.";
    case AddressListStatus::kTooLarge:
      return "The address list file is too large (at most 16 MiB).";
    case AddressListStatus::kReadFailed:
      return "The address list file could not be read.";
  }
  return "";
}

std::string AddressListStatusText(AddressListStatus status, int error) {
  std::string text = AddressListStatusText(status);
  if (text.empty() || error == 0) return text;
  text.pop_back();
  return text + " (" + std::strerror(error) + ").";
}
