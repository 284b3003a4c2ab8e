#include "ui/language_order.h"

namespace orventa {

// AppKit matches the user's language order to the bundle's localizations,
// fall-backs included.
void useTableLanguageOrder() {}

}  // namespace orventa
