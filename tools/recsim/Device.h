#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <typeindex>
#include <utility>
#include <vector>

namespace recsim {

// Numbered records by function (0x64 information, 0x65/0x6B configuration).
class RecordStore {
public:
  void Set(std::uint8_t function, std::uint8_t number, std::vector<std::uint8_t> bytes)
  {
    records_[{function, number}] = std::move(bytes);
  }
  const std::vector<std::uint8_t>* Find(std::uint8_t function, std::uint8_t number) const
  {
    auto it = records_.find({function, number});
    return it == records_.end() ? nullptr : &it->second;
  }
  void Remove(std::uint8_t function, std::uint8_t number) { records_.erase({function, number}); }
  void Clear() { records_.clear(); }

private:
  std::map<std::pair<std::uint8_t, std::uint8_t>, std::vector<std::uint8_t>> records_;
};

// The firmware upload as the device saw it: the reassembled image, the chunks, and
// the statuses it is told to answer.
struct UploadState {
  std::vector<std::uint8_t> image;
  std::uint32_t chunks = 0;          // chunk requests received
  std::uint8_t chunkStatus = 0;      // answered to every chunk ...
  int failChunk = -1;                // ... except this one (0-based), which gets failStatus
  std::uint8_t failStatus = 0;
  std::uint8_t installStatus = 0;    // answered to the install command
  bool installRequested = false;
  std::uint32_t installSize = 0;
};

// The simulated recorder's state. Handler modules added later keep their own state
// as an extension (identification strings, information profile, login session):
// device.Extension<MyState>() creates it on first use.
class Device {
public:
  std::uint8_t unit = 1;          // the serial address it answers to
  bool answerBroadcast = false;   // misbehave: answer unit 0 on the serial line
  RecordStore records;
  std::map<std::uint8_t, std::vector<std::uint8_t>> recordFiles;  // by file type (1-4)
  UploadState upload;

  template <typename T>
  T& Extension()
  {
    auto& slot = extensions_[std::type_index(typeid(T))];
    if (!slot) slot = std::make_shared<T>();
    return *static_cast<T*>(slot.get());
  }

private:
  std::map<std::type_index, std::shared_ptr<void>> extensions_;
};

}  // namespace recsim
