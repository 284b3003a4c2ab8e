#include "ui/open_package.h"

namespace orventa {

bool openPackage(const std::string& path, const ToolRunner& runner) { return openWithXdgOpen(path, runner); }

}  // namespace orventa
