#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/Stream.h"

// Buffered UTF-8 text onto a stream: the byte-order mark first (when asked), lines
// ended by CR LF. The target sees the text in blocks of the buffer's size and the rest
// at Flush or destruction.
class TextWriter {
public:
  static constexpr std::size_t kBufferSize = 1024;
  static constexpr std::string_view kNewLine = "\r\n";

  explicit TextWriter(TStream& target, bool byteOrderMark = true);
  // Flushes what is left; a failure there is lost, so callers that care call Flush.
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  void Write(std::string_view text);
  void WriteLine(std::string_view text = {});
  // Raises EWriteError when the target takes less than it is given.
  void Flush();

private:
  TStream& target_;
  std::array<std::uint8_t, kBufferSize> buffer_{};
  std::size_t fill_ = 0;
};
