// The verification's steps, driven with a fake bundle, file, copy and tools:
// for each outcome, which error comes out, what still ran, in order, and
// whether the private copy is left.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <system_error>
#include <variant>

#include "driver/build_constants.h"
#include "package/assistant_error.h"
#include "package/package_verification.h"

using namespace orventa;

namespace orventa {
// A failing test names the code by its number.
void PrintTo(AssistantErrorCode code, std::ostream* out) { *out << "code " << static_cast<int>(code); }
}  // namespace orventa

namespace {

constexpr std::string_view signer =
    "Developer ID Installer: Nanjing Qinheng Microelectronics Co., Ltd. (5JZGQTGU4W)";
constexpr std::string_view packagePath = "/Applications/Driver Assistant.app/Resources/CH34xVCPDriver.pkg";
constexpr std::string_view copyPath = "/tmp/com.orventa.DriverAssistant.a1B2c3/CH34xVCPDriver.pkg";
constexpr std::string_view goodContents = "ORVENTA fixture package\n";
// sha256sum of goodContents.
constexpr std::string_view goodDigest = "96e879d8c4aceae1dc90c3db991c6c2a80277766571c4e18fcf393c1dbfc03ae";

const std::string pkgutil = "/usr/sbin/pkgutil";
const std::string spctl = "/usr/sbin/spctl";

struct ToolReply {
  bool starts = true;
  std::int32_t status = 0;
  std::string output;
};

struct CopyState {
  std::string bytes;
  bool closed = false;
  bool removed = false;
};

// The private copy, in memory; what happened to it outlives it.
class FakeCopy final : public PackageCopy {
 public:
  FakeCopy(std::shared_ptr<CopyState> state, int writeErrno, std::uint64_t freeSpace)
      : state_(std::move(state)), writeErrno_(writeErrno), freeSpace_(freeSpace) {}
  const std::string& path() const override { return path_; }
  void reserve(std::uint64_t size) override {
    if (size > freeSpace_) throw std::system_error(ENOSPC, std::system_category(), "Cannot write " + path_);
  }
  void append(std::span<const unsigned char> bytes) override {
    if (writeErrno_ != 0) throw std::system_error(writeErrno_, std::system_category(), "Cannot write " + path_);
    state_->bytes.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  void close() override { state_->closed = true; }
  void remove() noexcept override { state_->removed = true; }

 private:
  std::shared_ptr<CopyState> state_;
  int writeErrno_;
  std::uint64_t freeSpace_;
  std::string path_{copyPath};
};

// A machine that answers the verification's questions and records, in
// order, every operation it was asked for.
struct FakeMachine {
  std::optional<std::string> package = std::string(packagePath);
  std::string contents = std::string(goodContents);
  int readErrno = 0;
  int writeErrno = 0;
  // What the file's status says of its size; by default the contents' size.
  std::optional<std::uint64_t> size;
  std::uint64_t freeSpace = UINT64_MAX;
  std::map<std::string, ToolReply> tools = {
      {pkgutil,
       {true, 0,
        "Package \"CH34xVCPDriver.pkg\":\n   Status: signed by a developer certificate issued by Apple for "
        "distribution\n   Certificate Chain:\n    1. " +
            std::string(signer) + "\n       Expires: 2027-01-01\n    2. Developer ID Certification Authority\n"}},
      {spctl, {true, 0, "CH34xVCPDriver.pkg: accepted\nsource=Notarized Developer ID\n"}},
  };
  std::vector<std::string> events;
  std::shared_ptr<CopyState> copy;

  PackageOperations operations() {
    PackageOperations o;
    o.findPackage = [this] {
      events.push_back("find");
      return package;
    };
    o.makeCopy = [this] {
      events.push_back("copy");
      copy = std::make_shared<CopyState>();
      return std::make_unique<FakeCopy>(copy, writeErrno, freeSpace);
    };
    o.readChunks = [this](const std::string& path, const ChunkConsumer& consume, const SizeCheck& checkSize) {
      events.push_back("read " + path);
      checkSize(size.value_or(contents.size()));
      // Seven bytes at a time, so the digest and the copy span chunks; a
      // read error comes after the first chunk.
      for (std::size_t offset = 0; offset < contents.size(); offset += 7) {
        if (readErrno != 0 && offset > 0)
          throw std::system_error(readErrno, std::system_category(), "Cannot read " + path);
        const std::string_view chunk = std::string_view(contents).substr(offset, 7);
        consume({reinterpret_cast<const unsigned char*>(chunk.data()), chunk.size()});
      }
    };
    o.run = [this](const std::string& path, const std::vector<std::string>& arguments) {
      std::string event = "run " + path;
      for (const std::string& a : arguments) event += " [" + a + "]";
      events.push_back(event);
      const ToolReply& reply = tools.at(path);
      if (!reply.starts) throw std::system_error(ENOENT, std::system_category(), "Cannot start " + path);
      return CommandResult{reply.status, reply.output};
    };
    return o;
  }
};

const std::string find = "find";
const std::string copy = "copy";
const std::string read = "read " + std::string(packagePath);
// The tools get the copy, never the bundle's file.
const std::string checkSignature = "run " + pkgutil + " [--check-signature] [" + std::string(copyPath) + "]";
const std::string assess = "run " + spctl + " [-a] [-t] [install] [" + std::string(copyPath) + "]";

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return result;
}

// The good digest with its last hex digit changed.
std::string lastDigitChanged() {
  std::string digest(goodDigest);
  digest.back() = digest.back() == '0' ? '1' : '0';
  return digest;
}

using Code = AssistantErrorCode;

// How a verification ends: with the verified copy, with one of the
// assistant's own errors (its code), or with a platform error passed on.
struct Verified {
  bool operator==(const Verified&) const = default;
};
struct PlatformError {
  bool operator==(const PlatformError&) const = default;
};
using Outcome = std::variant<Verified, Code, PlatformError>;
constexpr Verified verified;
constexpr PlatformError platformError;

std::ostream& operator<<(std::ostream& out, const Verified&) { return out << "verified"; }
std::ostream& operator<<(std::ostream& out, const PlatformError&) { return out << "a platform error"; }

// The outcome of `verify`, a call of verifiedPackage().
template <typename Verify>
Outcome outcomeOf(Verify&& verify) {
  try {
    verify();
    return verified;
  } catch (const AssistantError& error) {
    return static_cast<Code>(error.code());
  } catch (const std::system_error&) {
    return platformError;
  }
}

struct Case {
  const char* name;
  std::function<void(FakeMachine&)> arrange = [](FakeMachine&) {};
  std::string expectedDigest = std::string(goodDigest);
  Outcome outcome;
  std::vector<std::string> events;
};

TEST(PackageVerification, EachOutcomeStopsAtItsStep) {
  const std::string good(goodDigest);
  const Case cases[] = {
      {.name = "passes; signer inside a longer line among other lines",
       .outcome = verified,
       .events = {find, copy, read, checkSignature, assess}},
      {.name = "spctl passes whatever it prints",
       .arrange = [](FakeMachine& m) { m.tools[spctl].output = "rejected? no: status decides\n"; },
       .outcome = verified,
       .events = {find, copy, read, checkSignature, assess}},
      {.name = "resource missing",
       .arrange = [](FakeMachine& m) { m.package.reset(); },
       .outcome = Code::packageMissing,
       .events = {find}},
      {.name = "file unreadable",
       .arrange = [](FakeMachine& m) { m.readErrno = EIO; },
       .outcome = platformError,
       .events = {find, copy, read}},
      {.name = "copy cannot be written",
       .arrange = [](FakeMachine& m) { m.writeErrno = ENOSPC; },
       .outcome = platformError,
       .events = {find, copy, read}},
      {.name = "empty file",
       .arrange = [](FakeMachine& m) { m.contents.clear(); },
       .outcome = Code::digestMismatch,
       .events = {find, copy, read}},
      {.name = "one byte changed",
       .arrange = [](FakeMachine& m) { m.contents[22] = 'f'; },
       .outcome = Code::digestMismatch,
       .events = {find, copy, read}},
      {.name = "expected digest in upper case",
       .expectedDigest = upper(goodDigest),
       .outcome = Code::digestMismatch,
       .events = {find, copy, read}},
      {.name = "expected digest differs in its last digit only",
       .expectedDigest = lastDigitChanged(),
       .outcome = Code::digestMismatch,
       .events = {find, copy, read}},
      {.name = "expected digest one digit short",
       .expectedDigest = good.substr(0, 63),
       .outcome = Code::digestMismatch,
       .events = {find, copy, read}},
      {.name = "expected digest only its first half",
       .expectedDigest = good.substr(0, 32),
       .outcome = Code::digestMismatch,
       .events = {find, copy, read}},
      {.name = "expected digest with a digit more",
       .expectedDigest = good + "0",
       .outcome = Code::digestMismatch,
       .events = {find, copy, read}},
      {.name = "expected digest empty",
       .expectedDigest = "",
       .outcome = Code::digestMismatch,
       .events = {find, copy, read}},
      {.name = "pkgutil cannot start",
       .arrange = [](FakeMachine& m) { m.tools[pkgutil].starts = false; },
       .outcome = platformError,
       .events = {find, copy, read, checkSignature}},
      {.name = "pkgutil non-zero with the signer in its output",
       .arrange = [](FakeMachine& m) { m.tools[pkgutil].status = 1; },
       .outcome = Code::signatureMismatch,
       .events = {find, copy, read, checkSignature}},
      {.name = "pkgutil 0 without the signer",
       .arrange =
           [](FakeMachine& m) {
             m.tools[pkgutil].output = "Package \"CH34xVCPDriver.pkg\":\n   Status: no signature\n";
           },
       .outcome = Code::signatureMismatch,
       .events = {find, copy, read, checkSignature}},
      {.name = "pkgutil 0 with another team identifier",
       .arrange =
           [](FakeMachine& m) {
             m.tools[pkgutil].output =
                 "    1. Developer ID Installer: Nanjing Qinheng Microelectronics Co., Ltd. (5JZGQTGU4X)\n";
           },
       .outcome = Code::signatureMismatch,
       .events = {find, copy, read, checkSignature}},
      {.name = "pkgutil 0 with the signer in another letter case",
       .arrange = [](FakeMachine& m) { m.tools[pkgutil].output = upper(signer) + "\n"; },
       .outcome = Code::signatureMismatch,
       .events = {find, copy, read, checkSignature}},
      {.name = "pkgutil 0 with the signer cut short",
       .arrange = [](FakeMachine& m) { m.tools[pkgutil].output = std::string(signer.substr(0, signer.size() - 1)); },
       .outcome = Code::signatureMismatch,
       .events = {find, copy, read, checkSignature}},
      {.name = "spctl cannot start",
       .arrange = [](FakeMachine& m) { m.tools[spctl].starts = false; },
       .outcome = platformError,
       .events = {find, copy, read, checkSignature, assess}},
      {.name = "spctl non-zero",
       .arrange = [](FakeMachine& m) { m.tools[spctl].status = 3; },
       .outcome = Code::notTrusted,
       .events = {find, copy, read, checkSignature, assess}},
      {.name = "spctl killed by a signal",
       .arrange = [](FakeMachine& m) { m.tools[spctl].status = -9; },
       .outcome = Code::notTrusted,
       .events = {find, copy, read, checkSignature, assess}},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMachine machine;
    c.arrange(machine);
    std::string path;
    const Outcome outcome =
        outcomeOf([&] { path = verifiedPackage(machine.operations(), c.expectedDigest, signer).keep(); });
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(machine.events, c.events);
    const bool kept = c.outcome == Outcome(verified);
    if (kept) {
      EXPECT_EQ(path, copyPath);
      EXPECT_EQ(machine.copy->bytes, machine.contents);
      EXPECT_TRUE(machine.copy->closed);
    }
    // A failure leaves no copy behind; a kept one stays.
    if (machine.copy) {
      EXPECT_EQ(machine.copy->removed, !kept);
    }
  }
}

// The size from the file's status decides before any byte is read: a file
// larger than any driver package is the wrong one, and a copy that cannot
// fit is refused before the disk fills.
TEST(PackageVerification, SizeDecidesBeforeAnyByteIsRead) {
  const struct {
    const char* name;
    std::uint64_t size;
    std::uint64_t freeSpace;
    Outcome outcome;
  } cases[] = {
      {.name = "exactly the bound", .size = maximumPackageSize, .freeSpace = UINT64_MAX, .outcome = verified},
      {.name = "one byte over the bound",
       .size = maximumPackageSize + 1,
       .freeSpace = UINT64_MAX,
       .outcome = Code::digestMismatch},
      {.name = "several GiB", .size = std::uint64_t(5) << 30, .freeSpace = UINT64_MAX, .outcome = Code::digestMismatch},
      {.name = "more than the free space",
       .size = goodContents.size(),
       .freeSpace = goodContents.size() - 1,
       .outcome = platformError},
  };
  for (const auto& c : cases) {
    FakeMachine machine;
    machine.size = c.size;
    machine.freeSpace = c.freeSpace;
    std::vector<std::string> records;
    PackageOperations operations = machine.operations();
    operations.log = [&](LogCategory, const std::string& line) { records.push_back(line); };
    Outcome outcome = verified;
    try {
      std::move(verifiedPackage(operations, goodDigest, signer)).keep();
    } catch (const AssistantError& error) {
      outcome = static_cast<Code>(error.code());
    } catch (const std::system_error& error) {
      EXPECT_EQ(error.code(), std::error_code(ENOSPC, std::system_category())) << c.name;
      outcome = platformError;
    }
    EXPECT_EQ(outcome, c.outcome) << c.name;
    if (c.outcome == Outcome(verified)) continue;
    EXPECT_EQ(machine.copy->bytes, "") << c.name << ": nothing copied";
    EXPECT_TRUE(machine.copy->removed) << c.name;
    EXPECT_EQ(machine.events, (std::vector<std::string>{find, copy, read})) << c.name << ": no tool runs";
    if (c.outcome == Outcome(Code::digestMismatch)) {
      EXPECT_EQ(records.back(), "size: " + std::to_string(c.size) + " bytes, more than 536870912: refused") << c.name;
    }
  }
}

// The self-check's way: the copy lives as long as the result and no longer.
TEST(PackageVerification, CopyIsRemovedWithTheResultUnlessKept) {
  FakeMachine machine;
  {
    const VerifiedPackage package = verifiedPackage(machine.operations(), goodDigest, signer);
    EXPECT_EQ(package.path(), copyPath);
    EXPECT_FALSE(machine.copy->removed);
  }
  EXPECT_TRUE(machine.copy->removed);
}

// The caller shows what() of whatever comes out: for a platform error that
// is the platform's own text, never an assistant message.
TEST(PackageVerification, PlatformErrorsPassOnUnchanged) {
  FakeMachine machine;
  machine.readErrno = EACCES;
  try {
    verifiedPackage(machine.operations(), goodDigest, signer);
    FAIL() << "no error";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), std::error_code(EACCES, std::system_category()));
    // The system's own text, as the platform words it.
    EXPECT_EQ(std::string(error.what()), "Cannot read " + std::string(packagePath) + ": " + std::strerror(EACCES));
  }
}

TEST(PackageVerification, EveryCallLooksReadsAndCopiesAfresh) {
  FakeMachine machine;
  PackageOperations operations = machine.operations();
  std::move(verifiedPackage(operations, goodDigest, signer)).keep();
  machine.contents[0] = 'o';
  EXPECT_THROW(verifiedPackage(operations, goodDigest, signer), AssistantError);
  EXPECT_EQ(machine.events,
            (std::vector<std::string>{find, copy, read, checkSignature, assess, find, copy, read}));
}

}  // namespace
