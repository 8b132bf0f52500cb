#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Stream.h"

// Raised when a resource is asked for that the table does not hold.
class EResNotFound : public Exception {
public:
  using Exception::Exception;
};

// One compiled-in resource. The table does not own the bytes: they live in static
// storage (the generated image table) or in the caller's buffers (tests).
struct Resource {
  std::string type;
  std::string name;
  std::span<const std::uint8_t> bytes;
};

// The resources a program carries with it, the stand-in for the resources of an
// executable: named blocks of bytes grouped by type. Names and types compare exactly
// (case counts).
class ResourceTable {
public:
  ResourceTable() = default;
  explicit ResourceTable(std::vector<Resource> resources);

  // True when at least one resource has this type.
  bool HasType(std::string_view type) const;
  // The names of the resources of a type, in ascending byte order of the name.
  std::vector<std::string> Names(std::string_view type) const;
  // Null when absent.
  const Resource* Find(std::string_view type, std::string_view name) const;
  // Raises EResNotFound "Resource %s not found".
  const Resource& Get(std::string_view type, std::string_view name) const;

private:
  std::vector<Resource> resources_;  // sorted by (type, name)
};

// A read-only stream over one resource.
class TResourceStream : public TStream {
public:
  // Raises EResNotFound when the table has no such resource.
  TResourceStream(const ResourceTable& table, std::string_view type, std::string_view name);
  explicit TResourceStream(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  // Raises EStreamError "Can't write to a read-only resource stream".
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t GetSize() override { return static_cast<std::int64_t>(bytes_.size()); }

private:
  std::span<const std::uint8_t> bytes_;
  std::int64_t position_ = 0;
};
