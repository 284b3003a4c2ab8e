#include "app/process_text.h"

namespace orventa {

void prepareProcessText(int, char**, char**) {}

}  // namespace orventa
