#include <gtest/gtest.h>

#include "package/assistant_error.h"

using namespace orventa;

namespace {

TEST(AssistantError, CodesAndMessages) {
  struct Case {
    AssistantErrorCode code;
    int number;
    const char* message;
  } cases[] = {
      {AssistantErrorCode::packageMissing, 1, "The embedded WCH driver package is missing."},
      {AssistantErrorCode::digestMismatch, 2, "The embedded WCH package failed its SHA-256 check."},
      {AssistantErrorCode::signatureMismatch, 3,
       "The embedded WCH package does not have the expected vendor signature."},
      {AssistantErrorCode::notTrusted, 4, "macOS did not accept the embedded WCH package as a trusted installer."},
      {AssistantErrorCode::openFailed, 5, "macOS could not open the WCH installer."},
  };
  for (const Case& c : cases) {
    const AssistantError error(c.code);
    EXPECT_EQ(error.code(), c.number);
    EXPECT_STREQ(error.what(), c.message) << c.number;
  }
  EXPECT_EQ(AssistantError::domain, "ORVENTADriverAssistant");
}

}  // namespace
