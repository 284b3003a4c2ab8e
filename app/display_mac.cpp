#include "app/display.h"

namespace orventa {

bool displayReachable() { return true; }

}  // namespace orventa
