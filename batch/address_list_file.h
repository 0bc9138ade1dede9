// Reading an address list file: the one reader the "NVT Setting" dialog, the File DB viewer and the
// batch worker share, so all of them agree on which files and which lines are usable.
//
// Only a regular file of at most kAddressListMaxBytes is read. It is checked on the descriptor
// opened without blocking, so a FIFO, a device, a directory or a file swapped in after a check is
// refused before a byte is read; the bound holds while the file grows. A refused or failed file
// yields no lines, never a part of them. A leading UTF-8 byte-order mark is skipped and CR LF is
// one line end. Lines arrive in pieces of at most kAddressListPieceLength and review keeps at most
// kAddressListMaxKeptUnusable unusable lines, so memory is bounded whatever the file holds.
// Free of Qt, for the fuzz target and the worker thread.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/address_list_line.h"

inline constexpr size_t kAddressListPieceLength = 2047;
inline constexpr long long kAddressListMaxBytes = 16LL * 1024 * 1024;
inline constexpr size_t kAddressListMaxKeptUnusable = 1000;

enum class AddressListStatus {
  kRead,            // read to its end
  kStopped,         // the caller asked to stop before the end
  kCannotOpen,      // missing, no permission, empty path
  kNotRegularFile,  // a directory, FIFO, device, socket
  kTooLarge,
  kReadFailed,
};

class AddressListReader {
 public:
  explicit AddressListReader(const std::string& path);
  ~AddressListReader();
  AddressListReader(const AddressListReader&) = delete;
  AddressListReader& operator=(const AddressListReader&) = delete;

  // kRead while the file is open and readable; otherwise why not, which
  // also covers a read error or the size bound met while reading.
  AddressListStatus status() const { return status_; }
  // The system's reason (errno) for kCannotOpen and kReadFailed; 0 if none.
  int error() const { return error_; }
  // The next piece without its line end; nothing at the end of the file or
  // once status() is not kRead.
  std::optional<std::string> NextPiece();

 private:
  std::FILE* file_ = nullptr;
  long long bytesRead_ = 0;
  AddressListStatus status_ = AddressListStatus::kRead;
  int error_ = 0;
};

struct AddressList {
  AddressListStatus status = AddressListStatus::kRead;
  int error = 0;  // AddressListReader::error()
  // Every usable line in file order when status is kRead; empty otherwise.
  std::vector<AddressListRecord> records;
};

// Reads the whole file; `shouldStop`, when given, is asked before every
// line, so a worker thread can give up on a long file at once.
AddressList ReadAddressList(const std::string& path, const std::function<bool()>& shouldStop = {});

struct AddressListLines {
  AddressListStatus status = AddressListStatus::kRead;
  int error = 0;  // AddressListReader::error()
  // Usable and unusable lines in file order, without blank and comment
  // lines; empty unless status is kRead.
  std::vector<AddressListLine> lines;
  // Every unusable line, also those beyond the first
  // kAddressListMaxKeptUnusable, which are counted but not kept.
  size_t unusableCount = 0;
};

// Adds one piece as ReadAddressListLines does, for callers holding lines.
void AppendAddressListLine(AddressListLines& file, std::string_view piece);

// The whole file, every line with its parse result, for review.
AddressListLines ReadAddressListLines(const std::string& path);

// The records of a fully read file; none for a file that could not be read.
std::vector<AddressListRecord> ReadAddressListFile(const std::string& path);

// What to tell the operator about a file that could not be read; empty for
// kRead and kStopped, which are no faults of the file.
const char* AddressListStatusText(AddressListStatus status);
// The same with the system's reason when there is one, such as "The address
// list file cannot be opened (No such file or directory)."
std::string AddressListStatusText(AddressListStatus status, int error);
