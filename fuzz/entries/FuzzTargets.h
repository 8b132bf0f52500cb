#pragma once

#include <cstdint>
#include <span>
#include <string_view>

class Exception;

namespace fuzzing {

// One fuzz target's entry. It takes any bytes and returns true when they went the whole
// way through the code under test, false when that code refused them with one of the
// program's own errors (an Exception). Anything else is a finding: a crash, a sanitizer
// report, an error of another kind escaping, a hang, or a broken promise of the code,
// which the entry reports through Finding.
using Entry = bool (*)(std::span<const std::uint8_t> input);

struct Target {
  std::string_view name;  // the program fuzz_<name>, the folders corpus/<name> and regressions/<name>
  Entry entry;
};

std::span<const Target> Targets();
const Target* FindTarget(std::string_view name);

// A promise of the code under test does not hold: prints what and aborts, so that the
// fuzzer keeps the input and the regression test fails on it.
[[noreturn]] void Finding(std::string_view what);

// What an entry does with a refusal: a refusal whose message is broken (a format that
// does not fit its arguments is a bug in the error path itself) is a finding; any
// other is the code doing its job. Always false.
bool Refused(const Exception& error);

// Reads every byte of the span, so that AddressSanitizer sees a decoder's view that
// reaches past the buffer it was given.
void Touch(std::span<const std::uint8_t> bytes);

bool FuzzReplyRtu(std::span<const std::uint8_t> input);
bool FuzzReplyMbap(std::span<const std::uint8_t> input);
bool FuzzDeviceReads(std::span<const std::uint8_t> input);
bool FuzzRecordTransfers(std::span<const std::uint8_t> input);
bool FuzzLogin(std::span<const std::uint8_t> input);
bool FuzzInfoRecords(std::span<const std::uint8_t> input);
bool FuzzInfoRead(std::span<const std::uint8_t> input);
bool FuzzConfigRead(std::span<const std::uint8_t> input);
bool FuzzConfigGeneral(std::span<const std::uint8_t> input);
bool FuzzConfigAIAO(std::span<const std::uint8_t> input);
bool FuzzConfigBlocks(std::span<const std::uint8_t> input);
bool FuzzImageStore(std::span<const std::uint8_t> input);
bool FuzzSettingsStore(std::span<const std::uint8_t> input);
bool FuzzUrl(std::span<const std::uint8_t> input);
bool FuzzVersionText(std::span<const std::uint8_t> input);
bool FuzzConfigStreams(std::span<const std::uint8_t> input);
bool FuzzDiscoveryReply(std::span<const std::uint8_t> input);

}  // namespace fuzzing
