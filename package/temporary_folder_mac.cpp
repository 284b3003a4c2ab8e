#include <limits.h>
#include <unistd.h>

#include "package/temporary_folder.h"

namespace orventa {

std::string systemTemporaryFolder() {
  char folder[PATH_MAX];
  const std::size_t length = ::confstr(_CS_DARWIN_USER_TEMP_DIR, folder, sizeof(folder));
  if (length > 0 && length <= sizeof(folder)) return folder;
  return "/tmp";
}

}  // namespace orventa
