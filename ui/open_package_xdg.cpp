#include "ui/open_package.h"

namespace orventa {

bool openPackage(const std::string& path, const CommandRunner& runner) { return openWithXdgOpen(path, runner); }

}  // namespace orventa
