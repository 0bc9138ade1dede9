// An edit box for one IPv4 address in dotted form, the counterpart of a
// four-field address control. It accepts only what can become an address
// (at most four fields of 0 to 255) and exchanges values in host byte order,
// as such controls do; callers convert to network order for the wire.
#pragma once

#include <QLineEdit>
#include <cstdint>

class IpAddressEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit IpAddressEdit(QWidget* parent = nullptr);

  void setAddress(uint32_t hostOrder);
  // Blank fields read as 0, as in a field control. Returns how many of the
  // four fields were filled in.
  int address(uint32_t* hostOrder) const;
};
