#pragma once

// What this process holds, read from /proc: its threads, its open descriptors and its
// memory. The tests that run a road many times compare these before and after.

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define KESTREL_HOLDINGS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTREL_HOLDINGS_ASAN 1
#endif
#endif
#ifdef KESTREL_HOLDINGS_ASAN
// The sanitizer runtime's count of the bytes its allocator has handed out; g++ ships no
// header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

// Qt paints with a pool of threads of its own ("Thread (pooled)"), started on first
// need and ended after a while idle, each with an event descriptor: they are Qt's, not
// the road's, and are allowed for.
inline constexpr const char* kQtPoolThread = "Thread (pooled)";
inline constexpr const char* kEventDescriptor = "anon_inode:[eventfd]";

// The threads and open descriptors of this process.
struct Holdings {
  std::size_t threads = 0;  // besides Qt's painting pool
  std::size_t qtPooled = 0;
  std::multiset<std::string> descriptors;  // what each one refers to

  static Holdings Now()
  {
    namespace fs = std::filesystem;
    Holdings now;
    for (const auto& entry : fs::directory_iterator("/proc/self/task")) {
      std::ifstream comm(entry.path() / "comm");
      std::string name;
      std::getline(comm, name);
      ++(name == kQtPoolThread ? now.qtPooled : now.threads);
    }
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
      std::error_code error;
      const fs::path target = fs::read_symlink(entry.path(), error);
      // The directory being listed has a descriptor of its own, gone by now.
      if (!error) now.descriptors.insert(target.string());
    }
    return now;
  }
};

inline std::vector<std::string> Extra(const std::multiset<std::string>& of, const std::multiset<std::string>& over)
{
  std::vector<std::string> extra;
  std::set_difference(of.begin(), of.end(), over.begin(), over.end(), std::back_inserter(extra));
  return extra;
}

// What the process holds beyond what it held before, and what it lost, once Qt's pool
// threads that came or went are taken out with their event descriptors.
struct Difference {
  std::ptrdiff_t threads = 0;
  std::vector<std::string> opened, closed;
  bool None() const { return threads == 0 && opened.empty() && closed.empty(); }
};

inline Difference Compare(const Holdings& before, const Holdings& after)
{
  auto withoutPool = [](std::multiset<std::string> descriptors, std::size_t pooled) {
    for (; pooled > 0; --pooled) {
      auto it = descriptors.find(kEventDescriptor);
      if (it != descriptors.end()) descriptors.erase(it);
    }
    return descriptors;
  };
  const std::size_t common = std::min(before.qtPooled, after.qtPooled);
  const auto was = withoutPool(before.descriptors, before.qtPooled - common);
  const auto is = withoutPool(after.descriptors, after.qtPooled - common);
  return {static_cast<std::ptrdiff_t>(after.threads) - static_cast<std::ptrdiff_t>(before.threads), Extra(is, was),
          Extra(was, is)};
}

// A thread that has been joined may still be listed for a moment, and a peer may close
// its end of a connection a moment later: give the process a little time to settle
// back, no longer than `patience`.
inline Difference LeftBehindSince(const Holdings& before, std::chrono::milliseconds patience)
{
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    Difference difference = Compare(before, Holdings::Now());
    if (difference.None() || std::chrono::steady_clock::now() >= deadline) return difference;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// The resident set (VmRSS of /proc/self/status), in KiB; 0 when it cannot be read.
inline std::size_t ResidentKiB()
{
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stoul(line.substr(6));
  return 0;
}

// The bytes the heap has handed out and not had back. Under AddressSanitizer its own
// allocator's count: there freed memory waits in a quarantine that the resident set
// still shows.
inline std::size_t HeapInUseBytes()
{
#ifdef KESTREL_HOLDINGS_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

// Whether the resident set follows the heap: not under AddressSanitizer (see above).
inline constexpr bool kResidentSetFollowsTheHeap =
#ifdef KESTREL_HOLDINGS_ASAN
    false;
#else
    true;
#endif
