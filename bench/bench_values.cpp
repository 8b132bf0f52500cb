// Throughput of the shared value codecs every record reader and writer runs through:
// the packed decimal word conversions, NormalizeDecimal, SetDouble of a decimal setting,
// and CRC-32 over the large stream sections of the configuration file.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "recorder/info/Crc32.h"
#include "recorder/info/DecimalWord.h"
#include "recorder/info/FixedValue.h"

namespace {

volatile std::uint64_t sink;  // keeps the work from being optimised away

template <typename Body>
void Measure(const char* name, std::size_t items, const char* unit, Body body)
{
  double best = 1e30;
  for (int run = 0; run < 5; ++run) {
    auto t0 = std::chrono::steady_clock::now();
    sink = sink + body();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (s < best) best = s;
  }
  std::printf("  %-50s %10.1f M%s/s  (%.2f ns each)\n", name, items / best / 1e6, unit, best * 1e9 / items);
}

}  // namespace

int main()
{
  constexpr std::size_t N = 2'000'000;
  std::vector<float> floats(N);
  std::vector<double> doubles(N);
  std::vector<std::uint32_t> words(N);
  std::uint32_t seed = 12345;
  for (std::size_t i = 0; i < N; ++i) {
    seed = seed * 1664525u + 1013904223u;
    // Values from -50000 to 50000 with a varying number of decimals, like settings.
    double v = (static_cast<int>(seed >> 8) % 100000000 - 50000000) / 1000.0;
    floats[i] = static_cast<float>(v);
    doubles[i] = v;
    words[i] = FloatToDecimalWord(floats[i], static_cast<std::uint8_t>(seed & 7));
  }

  std::printf("Packed decimal word (%zu values, best of 5):\n", N);
  Measure("FloatToDecimalWord", N, "values", [&] {
    std::uint64_t acc = 0;
    for (std::size_t i = 0; i < N; ++i) acc += FloatToDecimalWord(floats[i], 3);
    return acc;
  });
  Measure("FloatToDecimalWordInRange (float)", N, "values", [&] {
    std::uint64_t acc = 0;
    for (std::size_t i = 0; i < N; ++i) acc += FloatToDecimalWordInRange(floats[i], 1, 6, -9999999, 9999999);
    return acc;
  });
  Measure("FloatToDecimalWordInRange (double)", N, "values", [&] {
    std::uint64_t acc = 0;
    for (std::size_t i = 0; i < N; ++i) acc += FloatToDecimalWordInRange(doubles[i], 1, 6, -9999999, 9999999);
    return acc;
  });
  Measure("DecimalWordToFloat", N, "values", [&] {
    float acc = 0;
    for (std::size_t i = 0; i < N; ++i) acc += DecimalWordToFloat(words[i]);
    return static_cast<std::uint64_t>(acc);
  });
  Measure("CompareDecimalWords", N - 1, "pairs", [&] {
    std::uint64_t acc = 0;
    for (std::size_t i = 0; i + 1 < N; ++i) acc += CompareDecimalWords(words[i], words[i + 1]) + 1;
    return acc;
  });
  Measure("NormalizeDecimal (9 digits to 1..6, 7 digits)", N, "values", [&] {
    std::uint64_t acc = 0;
    for (std::size_t i = 0; i < N; ++i) {
      int m = static_cast<int>(doubles[i] * 10000), d = 7;
      NormalizeDecimal(m, d, 1, 6, -9999999, 9999999);
      acc += static_cast<std::uint32_t>(m) + d;
    }
    return acc;
  });
  Measure("TFloatPrec<int,1,6,-9999999,9999999>::SetDouble", N, "values", [&] {
    std::uint64_t acc = 0;
    fixed::TFloatPrec<int, 1, 6, -9999999, 9999999> v;
    for (std::size_t i = 0; i < N; ++i) {
      v.SetDouble(doubles[i]);
      acc += static_cast<std::uint32_t>(v.GetMantissa()) + v.GetPrec();
    }
    return acc;
  });

  constexpr std::size_t Bytes = 16u << 20;
  std::vector<std::uint8_t> data(Bytes);
  for (std::size_t i = 0; i < Bytes; ++i) data[i] = static_cast<std::uint8_t>(i * 31 + (i >> 9));
  std::printf("CRC-32 (%zu MiB, best of 5):\n", Bytes >> 20);
  Measure("Crc32Of, one buffer", Bytes, "B", [&] { return Crc32Of(data); });
  Measure("Crc32Of, 300-byte records", Bytes / 300 * 300, "B", [&] {
    std::uint64_t acc = 0;
    for (std::size_t at = 0; at + 300 <= Bytes; at += 300) acc += Crc32Of(data.data() + at, 300);
    return acc;
  });
  return 0;
}
