#include "recorder/access/PasswordCache.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/SystemRandom.h"
#include "recorder/access/SecureWipe.h"

namespace Registrator {

namespace {

// The login runs on one worker thread at a time; the lock only keeps a misplaced second
// caller from corrupting the map.
struct PasswordCache {
  std::mutex lock;
  std::map<TAuthKey, TAuthData> entries;
};

PasswordCache& Cache()
{
  static PasswordCache cache;
  return cache;
}

}  // namespace

void TPasswordText::Assign(std::string_view text)
{
  Wipe();
  size_ = std::min(text.size(), Capacity);
  std::copy_n(text.data(), size_, bytes_.data());
}

void TPasswordText::Wipe() noexcept
{
  WipeBytes(bytes_.data(), bytes_.size());
  size_ = 0;
}

TAuthData::~TAuthData() { WipeBytes(slot.data(), slot.size()); }

TCryptProtectMemory::TCryptProtectMemory()
{
  try {
    FillSystemRandom(pad_);
  } catch (const ESystemRandom&) {
    // The pad only hides the text from a glance; without one the slots stay as they are.
    pad_.fill(0);
  }
}

TCryptProtectMemory::~TCryptProtectMemory() { WipeBytes(pad_.data(), pad_.size()); }

bool TCryptProtectMemory::Protect(std::span<std::uint8_t> bytes) const
{
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= pad_[i % pad_.size()];
  return true;
}

bool TCryptProtectMemory::Unprotect(std::span<std::uint8_t> bytes) const { return Protect(bytes); }

const TCryptProtectMemory& TCryptProtectMemory::Instance()
{
  static const TCryptProtectMemory instance;
  return instance;
}

void StorePassword(const TAuthKey& key, std::string_view password)
{
  PasswordCache& cache = Cache();
  std::lock_guard guard(cache.lock);
  TAuthData& data = cache.entries[key];
  WipeBytes(data.slot.data(), data.slot.size());
  std::copy_n(password.data(), std::min(password.size(), MaxPasswordLength), data.slot.data());
  TCryptProtectMemory::Instance().Protect(data.slot);
}

bool FetchPassword(const TAuthKey& key, TPasswordText& password)
{
  password.Wipe();
  PasswordCache& cache = Cache();
  std::lock_guard guard(cache.lock);
  auto it = cache.entries.find(key);
  if (it == cache.entries.end()) return false;
  TAuthData copy;
  copy.slot = it->second.slot;
  TCryptProtectMemory::Instance().Unprotect(copy.slot);
  copy.slot[MaxPasswordLength] = 0;
  const char* text = reinterpret_cast<const char*>(copy.slot.data());
  password.Assign(std::string_view(text, std::find(copy.slot.begin(), copy.slot.end(), 0) - copy.slot.begin()));
  return true;
}

void ErasePassword(const TAuthKey& key)
{
  PasswordCache& cache = Cache();
  std::lock_guard guard(cache.lock);
  cache.entries.erase(key);
}

void ClearPasswordCache()
{
  PasswordCache& cache = Cache();
  std::lock_guard guard(cache.lock);
  cache.entries.clear();
}

bool HasPassword(const TAuthKey& key)
{
  PasswordCache& cache = Cache();
  std::lock_guard guard(cache.lock);
  return cache.entries.contains(key);
}

}  // namespace Registrator
