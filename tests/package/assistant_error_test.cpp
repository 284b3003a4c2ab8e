#include <gtest/gtest.h>

#include <type_traits>

#include "package/assistant_error.h"

using namespace orventa;

namespace {

TEST(AssistantError, CodesAndMessages) {
  struct Case {
    AssistantError error;
    int number;
    const char* message;
  } cases[] = {
      {AssistantError(AssistantErrorCode::packageMissing), 1, "The embedded WCH driver package is missing."},
      {AssistantError(AssistantErrorCode::digestMismatch), 2, "The embedded WCH package failed its SHA-256 check."},
      {AssistantError(AssistantErrorCode::signatureMismatch), 3,
       "The embedded WCH package does not have the expected vendor signature."},
      {AssistantError(AssistantErrorCode::notTrusted), 4,
       "macOS did not accept the embedded WCH package as a trusted installer."},
      {AssistantError(AssistantErrorCode::openFailed), 5, "macOS could not open the WCH installer."},
  };
  for (const Case& c : cases) {
    const AssistantError& error = c.error;
    EXPECT_EQ(error.code(), c.number);
    EXPECT_STREQ(error.what(), c.message) << c.number;
  }
  EXPECT_EQ(AssistantError::domain, "ORVENTADriverAssistant");
}

// The runner's codes have no fixed message: AssistantError(timeLimit) does
// not compile, so an "Unable to Continue" without a text cannot be built.
static_assert(!AssistantError::hasFixedMessage(AssistantErrorCode::timeLimit));
static_assert(!AssistantError::hasFixedMessage(AssistantErrorCode::outputLimit));
static_assert(AssistantError::hasFixedMessage(AssistantErrorCode::openFailed));
static_assert(!std::is_constructible_v<AssistantError, int>);

}  // namespace
