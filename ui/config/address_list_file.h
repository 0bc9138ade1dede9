// Reading an address list file: the one reader that the File DB viewer and
// the batch worker share, so both always agree on which lines are usable.
//
// The file is plain text read byte by byte. A line ends at LF; CR LF counts
// as one line end (a CR elsewhere is white space to the line parser). A line
// is delivered in pieces of at most 2047 characters, its end counted as one
// of them, and the rest of a longer line is delivered as the next piece, so
// memory per line is bounded whatever the file holds. A file that cannot be
// opened or read (missing, a directory, no permission) simply has no lines;
// binary content is just lines that do not parse.
//
// Free of Qt, so a fuzz target and the worker thread can use it as they are.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "ui/config/address_list_line.h"

inline constexpr size_t kAddressListPieceLength = 2047;

class AddressListReader {
 public:
  explicit AddressListReader(const std::string& path);
  ~AddressListReader();
  AddressListReader(const AddressListReader&) = delete;
  AddressListReader& operator=(const AddressListReader&) = delete;

  bool isOpen() const { return file_ != nullptr; }
  // The next piece without its line end; nothing at the end of the file or
  // on a read error.
  std::optional<std::string> NextPiece();

 private:
  std::FILE* file_ = nullptr;
};

// Every usable line of the file, in file order.
std::vector<AddressListRecord> ReadAddressListFile(const std::string& path);
