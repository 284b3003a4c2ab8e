#include "ui/serial_port_scan.h"

#include <algorithm>
#include <exception>
#include <string_view>

namespace orventa {

bool wchSerialPortPresent(const DirectoryLister& listDirectory) {
  std::vector<std::string> names;
  try {
    names = listDirectory(deviceDirectory);
  } catch (const std::exception&) {
    // The port is only a hint in the report; an unreadable /dev is not worth
    // an alert of its own.
    return false;
  }
  return std::any_of(names.begin(), names.end(), [](const std::string& name) {
    return std::string_view(name).starts_with("cu.wchusbserial");
  });
}

}  // namespace orventa
