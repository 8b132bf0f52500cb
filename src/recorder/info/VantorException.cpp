#include "recorder/info/VantorException.h"

#include "recorder/info/VersionWord.h"

namespace {

constexpr int kUnsupportedVersionText = 1523;
constexpr int kNewerThanSupportedText = 1521;

}  // namespace

// Text 1523 shows three numbers; the fourth byte is passed too and goes unused.
EVantorVersion::EVantorVersion(std::uint32_t version)
    : EVantorException(StringId{kUnsupportedVersionText}, VersionByte(version, 0), VersionByte(version, 1),
                       VersionByte(version, 2), VersionByte(version, 3)),
      version_(version)
{
}

EVantorUnsupportedNewVer::EVantorUnsupportedNewVer(std::uint32_t version, std::uint32_t newest)
    : EVantorVersion(version, Format(LoadStr(kNewerThanSupportedText), VersionByte(version, 0), VersionByte(version, 1),
                                     VersionByte(version, 2), VersionByte(newest, 0), VersionByte(newest, 1),
                                     VersionByte(newest, 2)))
{
}

EVantorInvalid::EVantorInvalid(unsigned check) : EVantorException(Format("{%u}", check)) {}
