#include "FuzzTargets.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Exception.h"

namespace fuzzing {
namespace {

constexpr Target kTargets[] = {
    {"reply_rtu", FuzzReplyRtu},
    {"reply_mbap", FuzzReplyMbap},
    {"device_reads", FuzzDeviceReads},
    {"record_transfers", FuzzRecordTransfers},
    {"login", FuzzLogin},
    {"info_records", FuzzInfoRecords},
    {"info_read", FuzzInfoRead},
    {"config_read", FuzzConfigRead},
    {"config_general", FuzzConfigGeneral},
    {"config_ai_ao", FuzzConfigAIAO},
    {"config_blocks", FuzzConfigBlocks},
    {"image_store", FuzzImageStore},
    {"settings_store", FuzzSettingsStore},
    {"url", FuzzUrl},
    {"version_text", FuzzVersionText},
    {"config_streams", FuzzConfigStreams},
    {"discovery_reply", FuzzDiscoveryReply},
};

// Format raises "Format '<format>' invalid or incompatible with argument" when a
// conversion does not fit its argument. Both ends are matched: a message that merely
// quotes input (which the fuzzer fills with whatever text it sees compared) is not one.
constexpr std::string_view kFormatMismatchBegin = "Format '";
constexpr std::string_view kFormatMismatchEnd = "' invalid or incompatible with argument";

volatile std::uint8_t touchSink;

}  // namespace

std::span<const Target> Targets() { return kTargets; }

const Target* FindTarget(std::string_view name)
{
  for (const Target& target : kTargets)
    if (target.name == name) return &target;
  return nullptr;
}

void Finding(std::string_view what)
{
  std::fprintf(stderr, "FUZZ FINDING: %.*s\n", static_cast<int>(what.size()), what.data());
  std::fflush(stderr);
  std::abort();
}

bool Refused(const Exception& error)
{
  const std::string& message = error.Message();
  if (message.starts_with(kFormatMismatchBegin) && message.ends_with(kFormatMismatchEnd))
    Finding("an error's message failed to format: " + message);
  return false;
}

void Touch(std::span<const std::uint8_t> bytes)
{
  std::uint8_t sum = 0;
  for (std::uint8_t b : bytes) sum = static_cast<std::uint8_t>(sum + b);
  touchSink = sum;
}

}  // namespace fuzzing
