#include "ui/config/address_list_file.h"

AddressListReader::AddressListReader(const std::string& path) {
  if (!path.empty()) file_ = std::fopen(path.c_str(), "rb");
}

AddressListReader::~AddressListReader() {
  if (file_ != nullptr) std::fclose(file_);
}

std::optional<std::string> AddressListReader::NextPiece() {
  if (file_ == nullptr) return std::nullopt;
  std::string piece;
  bool readAnything = false;
  while (piece.size() < kAddressListPieceLength) {
    const int c = getc_unlocked(file_);
    if (c == EOF) break;
    readAnything = true;
    if (c == '\n') return piece;
    if (c == '\r') {
      const int next = getc_unlocked(file_);
      if (next == '\n') return piece;
      if (next != EOF) ungetc(next, file_);
    }
    piece.push_back(static_cast<char>(c));
  }
  if (!readAnything) return std::nullopt;
  return piece;
}

std::vector<AddressListRecord> ReadAddressListFile(const std::string& path) {
  std::vector<AddressListRecord> records;
  AddressListReader reader(path);
  while (std::optional<std::string> piece = reader.NextPiece()) {
    if (std::optional<AddressListRecord> record = ParseAddressListLine(*piece)) {
      records.push_back(std::move(*record));
    }
  }
  return records;
}
