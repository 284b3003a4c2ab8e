#include "package/digest_text.h"

namespace orventa {

std::string digestText(const Sha256Digest& digest) {
  static constexpr char hexDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(digest.size() * 2);
  for (unsigned char byte : digest) {
    text += hexDigits[byte >> 4];
    text += hexDigits[byte & 0x0f];
  }
  return text;
}

}  // namespace orventa
