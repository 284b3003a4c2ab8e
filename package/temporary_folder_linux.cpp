#include "package/temporary_folder.h"

namespace orventa {

std::string systemTemporaryFolder() { return "/tmp"; }

}  // namespace orventa
