#include "package/temporary_folder.h"

std::string systemTemporaryFolder() { return "/tmp"; }
