#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "modbus/CBaseModbus.h"
#include "modbus/MBCommand.h"
#include "platform/Stream.h"
#include "recsim/Server.h"
#include "support/ExpectThrowMsg.h"

using Clock = std::chrono::steady_clock;

inline long long MsSince(Clock::time_point start)
{
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Fills a memory stream with the bytes and rewinds it, as the upload job's image is.
inline void FillStream(TMemoryStream& stream, const std::vector<std::uint8_t>& bytes)
{
  stream.WriteBuffer(bytes.data(), bytes.size());
  stream.SetPosition(0);
}

// Sends an image in chunks as the upload job does; each chunk must go through at
// the first attempt with status 0. Returns the bytes sent.
inline std::uint32_t SendImage(ModbusMaster::CBaseModbus& transport, const std::vector<std::uint8_t>& image)
{
  TMemoryStream stream;
  FillStream(stream, image);
  ModbusMaster::TUpgradeWriteCommand chunk;
  std::uint32_t sent = 0;
  while (std::uint32_t n = chunk.LoadChunk(sent, stream)) {
    transport.Execute(1, chunk);
    EXPECT_EQ(chunk.Status, 0);
    EXPECT_EQ(chunk.Attempts, 0u);
    sent += n;
  }
  return sent;
}

// Cancel from another thread while the transport waits for a silent recorder: the
// wait ends at once with EMBCancelError (message `source`), every later call fails
// the same way until ResetCancel, and then the transport works again.
inline void ExpectCancelFromAnotherThread(ModbusMaster::CBaseModbus& transport, recsim::Server& server,
                                          const std::string& source)
{
  using namespace ModbusMaster;
  transport.SetReplyTimeout(20000);
  server.AddFault(recsim::Fault::Of(recsim::Fault::Kind::Silence, -1));
  TUpgradeStartCommand start(1);
  start.ReplyTimeout = 0;
  std::thread canceller([&] {
    server.WaitForLog(1, 10000);
    transport.Cancel();
  });
  auto begin = Clock::now();
  EXPECT_THROW_MSG(transport.Execute(1, start), EMBCancelError, source);
  canceller.join();
  EXPECT_LT(MsSince(begin), 10000);
  begin = Clock::now();
  EXPECT_THROW_MSG(transport.Execute(1, start), EMBCancelError, source);
  EXPECT_LT(MsSince(begin), 1000);
  server.ClearFaults();
  transport.ResetCancel();
  transport.Execute(1, start);
  EXPECT_EQ(start.Status, 0);
}
