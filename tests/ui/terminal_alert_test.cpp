#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/strings_table.h"
#include "ui/terminal_alert.h"

using namespace orventa;

namespace {

struct Answer {
  AlertResponse response;
  std::string output;
};

Answer ask(const std::string& input, std::vector<std::string> buttons = {"Install Driver", "Cancel"}) {
  std::istringstream in(input);
  std::ostringstream out;
  const AlertResponse response =
      showTerminalAlert("Driver Required", "Environment: 6.1\n\nInstall it now?", buttons, AlertStyle::warning, in, out,
                        tableLocalizer("en"));
  return {response, out.str()};
}

const std::string shownTwoButtons = "Driver Required\nEnvironment: 6.1\n\nInstall it now?\n1. Install Driver\n2. Cancel\n";
const std::string prompt = "Choose 1-2 and press Return: ";
const std::string hint = "Please answer with a button's number.\n";

TEST(TerminalAlert, ShowsTitleMessageAndNumberedButtonsAndAnswersTheChosenNumber) {
  EXPECT_EQ(ask("1\n").response, 1000);
  const Answer second = ask("2\n");
  EXPECT_EQ(second.response, 1001);
  EXPECT_EQ(second.output, shownTwoButtons + prompt + "\n");
  EXPECT_EQ(ask(" 2\r\n").response, 1001) << "blanks and a carriage return around the number";
  EXPECT_EQ(ask("1", {"OK"}).response, 1000) << "a last line without a line feed";
}

TEST(TerminalAlert, AsksAgainAfterALineThatNamesNoButton) {
  for (const char* wrong : {"", "0", "3", "Cancel", "1x", "-1", "99999999999999999999999"}) {
    const Answer answer = ask(std::string(wrong) + "\n1\n");
    EXPECT_EQ(answer.response, 1000) << '"' << wrong << '"';
    EXPECT_EQ(answer.output, shownTwoButtons + prompt + hint + prompt + "\n") << '"' << wrong << '"';
  }
}

// An answer line is kept up to answerLineLimit bytes: a longer one is no
// answer, however it ends, so endless input is never held in memory.
TEST(TerminalAlert, ALineLongerThanTheLimitIsNoAnswer) {
  const std::string atTheLimit = std::string(answerLineLimit - 1, '0') + "1";
  EXPECT_EQ(ask(atTheLimit + "\n").response, 1000) << "a line of exactly the limit";
  const Answer longer = ask("0" + atTheLimit + "\n2\n");
  EXPECT_EQ(longer.response, 1001);
  EXPECT_EQ(longer.output, shownTwoButtons + prompt + hint + prompt + "\n");
  EXPECT_EQ(ask(std::string(1 << 20, ' ') + "1\n").response, 1001) << "a long line of blanks around a number, then the end of input";
}

TEST(TerminalAlert, EndOfInputAnswersWithTheLastButton) {
  EXPECT_EQ(ask("").response, 1001);
  EXPECT_EQ(ask("yes\n").response, 1001) << "after an unusable line";
  EXPECT_EQ(ask("", {"OK"}).response, 1000);
}

}  // namespace
