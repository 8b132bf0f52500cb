#include "platform/TextWriter.h"

#include <algorithm>
#include <cstring>

TextWriter::TextWriter(TStream& target, bool byteOrderMark) : target_(target)
{
  if (byteOrderMark) Write("\xEF\xBB\xBF");
}

TextWriter::~TextWriter()
{
  try {
    Flush();
  } catch (const Exception&) {
  }
}

void TextWriter::Write(std::string_view text)
{
  while (!text.empty()) {
    std::size_t n = std::min(text.size(), kBufferSize - fill_);
    std::memcpy(buffer_.data() + fill_, text.data(), n);
    fill_ += n;
    text.remove_prefix(n);
    if (fill_ == kBufferSize) Flush();
  }
}

void TextWriter::WriteLine(std::string_view text)
{
  Write(text);
  Write(kNewLine);
}

void TextWriter::Flush()
{
  std::size_t n = fill_;
  fill_ = 0;
  target_.WriteBuffer(buffer_.data(), n);
}
