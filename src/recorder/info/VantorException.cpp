#include "recorder/info/VantorException.h"

namespace {

constexpr int kUnsupportedVersionText = 1523;
constexpr int kNewerThanSupportedText = 1521;

unsigned Major(std::uint32_t v) { return v >> 24; }
unsigned Minor(std::uint32_t v) { return v >> 16 & 0xFF; }
unsigned Build(std::uint32_t v) { return v >> 8 & 0xFF; }
unsigned Fourth(std::uint32_t v) { return v & 0xFF; }

}  // namespace

// Text 1523 shows three numbers; the fourth byte is passed too and goes unused.
EVantorVersion::EVantorVersion(std::uint32_t version)
    : EVantorException(StringId{kUnsupportedVersionText}, Major(version), Minor(version), Build(version),
                       Fourth(version)),
      version_(version)
{
}

EVantorUnsupportedNewVer::EVantorUnsupportedNewVer(std::uint32_t version, std::uint32_t newest)
    : EVantorVersion(version, Format(LoadStr(kNewerThanSupportedText), Major(version), Minor(version), Build(version),
                                     Major(newest), Minor(newest), Build(newest)))
{
}

EVantorInvalid::EVantorInvalid(unsigned check) : EVantorException(Format("{%u}", check)) {}
