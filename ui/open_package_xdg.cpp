#include "ui/open_package.h"

bool openPackage(const std::string& path) { return openWithXdgOpen(path, run); }
