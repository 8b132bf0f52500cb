#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Event.h"
#include "platform/OSError.h"
#include "platform/SysFault.h"
#include "platform/UniqueFd.h"
#include "platform/Wait.h"

#include <fcntl.h>
#include <unistd.h>

TEST(Event, ManualAndAutoReset)
{
  Event manual;
  EXPECT_FALSE(manual.IsSet());
  manual.Set();
  manual.Set();
  EXPECT_TRUE(manual.Wait(0));
  EXPECT_TRUE(manual.Wait(0));  // stays set
  manual.Reset();
  EXPECT_FALSE(manual.IsSet());
  EXPECT_FALSE(manual.Wait(10));

  Event automatic(Event::Mode::AutoReset);
  automatic.Set();
  EXPECT_TRUE(automatic.Wait(0));
  EXPECT_FALSE(automatic.Wait(0));  // consumed by the wait that saw it
}

TEST(Event, SetFromAnotherThreadEndsAWait)
{
  Event event;
  auto begin = std::chrono::steady_clock::now();
  std::thread setter([&] { event.Set(); });
  EXPECT_TRUE(event.Wait(20000));
  setter.join();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
}

// A set cancel event wins over a descriptor that is ready too.
TEST(Event, CancelWinsOverReadyDescriptor)
{
  Event ready;
  ready.Set();
  Event cancel;
  EXPECT_EQ(WaitFd(ready.Fd(), WaitFor::Read, 0, &cancel), WaitResult::Ready);
  cancel.Set();
  EXPECT_EQ(WaitFd(ready.Fd(), WaitFor::Read, 0, &cancel), WaitResult::Cancelled);
  Event idle;
  EXPECT_EQ(WaitFd(idle.Fd(), WaitFor::Read, 5, nullptr), WaitResult::TimedOut);
}

TEST(SysFault, FailuresAndInterruptedCalls)
{
  InjectSysFault(SysCallId::EventFd, EMFILE);
  try {
    Event event;
    ADD_FAILURE() << "no error";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Code(), EMFILE);
    EXPECT_EQ(e.Message(), "eventfd: Too many open files (24)");
  }
  Event event;  // the fault was used up

  // EINTR is retried where the call is made; a poll resumes with the time left.
  InjectSysFault(SysCallId::Poll, EINTR, 5);
  EXPECT_EQ(WaitFd(event.Fd(), WaitFor::Read, 1, nullptr), WaitResult::TimedOut);
  InjectSysFault(SysCallId::Poll, EBADF, 1, 1);  // the second poll fails
  EXPECT_FALSE(event.Wait(0));
  EXPECT_THROW(event.Wait(0), EOSError);
  ClearSysFaults();
  EXPECT_FALSE(event.Wait(0));
}

// Faults belong to the thread that asked for them.
TEST(SysFault, PerThread)
{
  InjectSysFault(SysCallId::EventFd, EMFILE, 10);
  std::thread other([] { EXPECT_NO_THROW(Event()); });
  other.join();
  EXPECT_THROW(Event(), EOSError);
  ClearSysFaults();
}

TEST(UniqueFd, OwnsAndMoves)
{
  int raw = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(raw, 0);
  UniqueFd first(raw);
  UniqueFd second(std::move(first));
  EXPECT_FALSE(first.IsValid());
  EXPECT_EQ(second.Get(), raw);
  UniqueFd third;
  third = std::move(second);
  EXPECT_NE(::fcntl(raw, F_GETFD), -1);  // still open
  third.Reset();
  EXPECT_EQ(::fcntl(raw, F_GETFD), -1);  // closed with its owner
}
