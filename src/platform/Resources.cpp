#include "platform/Resources.h"

#include <algorithm>

#include "platform/Format.h"

namespace {
bool Less(const Resource& a, const Resource& b)
{
  return a.type != b.type ? a.type < b.type : a.name < b.name;
}
}  // namespace

ResourceTable::ResourceTable(std::vector<Resource> resources) : resources_(std::move(resources))
{
  std::stable_sort(resources_.begin(), resources_.end(), Less);
}

bool ResourceTable::HasType(std::string_view type) const
{
  return std::any_of(resources_.begin(), resources_.end(), [&](const Resource& r) { return r.type == type; });
}

std::vector<std::string> ResourceTable::Names(std::string_view type) const
{
  std::vector<std::string> names;
  for (const auto& r : resources_) {
    if (r.type == type) names.push_back(r.name);
  }
  return names;
}

const Resource* ResourceTable::Find(std::string_view type, std::string_view name) const
{
  for (const auto& r : resources_) {
    if (r.type == type && r.name == name) return &r;
  }
  return nullptr;
}

const Resource& ResourceTable::Get(std::string_view type, std::string_view name) const
{
  if (const Resource* r = Find(type, name)) return *r;
  throw EResNotFound(Format("Resource %s not found", name));
}

TResourceStream::TResourceStream(const ResourceTable& table, std::string_view type, std::string_view name)
    : bytes_(table.Get(type, name).bytes)
{
}

std::size_t TResourceStream::Read(void* buffer, std::size_t count)
{
  return ReadBlock(bytes_.data(), bytes_.size(), position_, buffer, count);
}

std::size_t TResourceStream::Write(const void*, std::size_t)
{
  throw EStreamError("Can't write to a read-only resource stream");
}

std::int64_t TResourceStream::Seek(std::int64_t offset, SeekOrigin origin)
{
  return SeekBlock(bytes_.size(), position_, offset, origin);
}
