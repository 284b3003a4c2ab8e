#include "ui/open_package.h"

bool openPackage(const std::string& path, const CommandRunner& runner) { return openWithXdgOpen(path, runner); }
