// The test helper every folder checks its errors with: it must fail, not pass or
// escape, whenever the error is not the one expected.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/Exception.h"
#include "support/ExpectThrowMsg.h"

namespace {

class EExpected : public Exception {
public:
  using Exception::Exception;
};

class EOther : public Exception {
public:
  using Exception::Exception;
};

void ThrowExpected() { throw EExpected("Нет связи"); }
void ThrowOther() { throw EOther("Нет связи"); }
void ThrowStandard() { throw std::runtime_error("vector"); }
void ThrowNumber() { throw 5; }
void ThrowNothing() {}
void ThrowWithZeroByte() { throw EExpected(std::string("Нет\0связи", 17)); }

TEST(ExpectThrowMsg, FailsOnEveryOtherOutcome)
{
  EXPECT_THROW_MSG(ThrowExpected(), EExpected, "Нет связи");
  EXPECT_THROW_MSG(ThrowExpected(), Exception, "Нет связи");  // caught by its base, as a guard would

  EXPECT_NONFATAL_FAILURE(EXPECT_THROW_MSG(ThrowExpected(), EExpected, "Нет связи."), "Нет связи.");
  EXPECT_NONFATAL_FAILURE(EXPECT_THROW_MSG(ThrowWithZeroByte(), EExpected, "Нет"), "Нет");
  EXPECT_NONFATAL_FAILURE(EXPECT_THROW_MSG(ThrowOther(), EExpected, "Нет связи"), "got another exception: Нет связи");
  EXPECT_NONFATAL_FAILURE(EXPECT_THROW_MSG(ThrowStandard(), EExpected, "vector"), "got another exception: vector");
  EXPECT_NONFATAL_FAILURE(EXPECT_THROW_MSG(ThrowNumber(), EExpected, ""), "not an exception class");
  EXPECT_NONFATAL_FAILURE(EXPECT_THROW_MSG(ThrowNothing(), EExpected, ""), "nothing was thrown");
}

}  // namespace
