#include <exception>

#include "ui/open_package.h"

namespace orventa {

bool openWithXdgOpen(const std::string& path, const ToolRunner& runner) {
  try {
    return runner("/usr/bin/xdg-open", {path}).status == 0;
  } catch (const std::exception&) {
    // Like NSWorkspace, which answers NO when nothing can open the file.
    return false;
  }
}

}  // namespace orventa
