#include "recorder/access/RegErrors.h"

namespace Registrator {
namespace {

unsigned Byte(std::uint32_t word, int index) { return word >> (24 - 8 * index) & 0xFF; }

}  // namespace

EMBUnsupportedVersion::EMBUnsupportedVersion(std::string source, std::uint32_t version)
    : EMBUnsupportedDevice(std::move(source), kTextUnsupportedVersion,
                           {Byte(version, 0), Byte(version, 1), Byte(version, 2), Byte(version, 3)})
{
}

EMBUnsupportedNewVersion::EMBUnsupportedNewVersion(std::string source, std::uint32_t version, std::uint32_t highest)
    : EMBUnsupportedVersion(std::move(source), kTextNewerThanSupported,
                            {Byte(version, 0), Byte(version, 1), Byte(version, 2), Byte(highest, 0), Byte(highest, 1),
                             Byte(highest, 2)})
{
}

EMBUnsupportedOldVersion::EMBUnsupportedOldVersion(std::string source, std::uint32_t version, std::uint32_t lowest)
    : EMBUnsupportedVersion(std::move(source), kTextOlderThanSupported,
                            {Byte(version, 0), Byte(version, 1), Byte(version, 2), Byte(lowest, 0), Byte(lowest, 1),
                             Byte(lowest, 2)})
{
}

}  // namespace Registrator
