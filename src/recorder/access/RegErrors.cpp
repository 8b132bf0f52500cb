#include "recorder/access/RegErrors.h"

#include "recorder/info/VersionWord.h"

namespace Registrator {

EMBUnsupportedVersion::EMBUnsupportedVersion(std::string source, std::uint32_t version)
    : EMBUnsupportedDevice(std::move(source), kTextUnsupportedVersion,
                           {VersionByte(version, 0), VersionByte(version, 1), VersionByte(version, 2),
                            VersionByte(version, 3)})
{
}

EMBUnsupportedNewVersion::EMBUnsupportedNewVersion(std::string source, std::uint32_t version, std::uint32_t highest)
    : EMBUnsupportedVersion(std::move(source), kTextNewerThanSupported,
                            {VersionByte(version, 0), VersionByte(version, 1), VersionByte(version, 2),
                             VersionByte(highest, 0), VersionByte(highest, 1), VersionByte(highest, 2)})
{
}

EMBUnsupportedOldVersion::EMBUnsupportedOldVersion(std::string source, std::uint32_t version, std::uint32_t lowest)
    : EMBUnsupportedVersion(std::move(source), kTextOlderThanSupported,
                            {VersionByte(version, 0), VersionByte(version, 1), VersionByte(version, 2),
                             VersionByte(lowest, 0), VersionByte(lowest, 1), VersionByte(lowest, 2)})
{
}

}  // namespace Registrator
