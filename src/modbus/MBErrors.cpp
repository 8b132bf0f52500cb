#include "modbus/MBErrors.h"

#include "platform/LoadStr.h"
#include "platform/OSError.h"

namespace ModbusMaster {
namespace {

std::string Compose(const std::string& source, const std::string& detail)
{
  if (detail.empty()) return source;
  // A source-less error (the cancel event failing before any connection is named)
  // reads as its detail rather than beginning with ": ".
  if (source.empty()) return detail;
  return source + ": " + detail;
}

std::string SystemDetail(int code, std::string_view text)
{
  if (code == 0) return {};
  return Format(LoadStr(kTextSystemError), code, text);
}

}  // namespace

EMBError::EMBError(std::string source, std::string detail)
    : Exception(Compose(source, detail)), source_(std::move(source)), detail_(std::move(detail))
{
}

EMBError::EMBError(std::string source, int stringId, std::initializer_list<FormatArg> args)
    : EMBError(std::move(source), FormatList(LoadStr(stringId), args))
{
}

EMBError::EMBError(std::string source, std::string_view format, std::initializer_list<FormatArg> args)
    : EMBError(std::move(source), FormatList(format, args))
{
}

EMBSysError::EMBSysError(std::string source, int stringId, int systemCode)
    : EMBSysError(std::move(source), stringId, systemCode, systemCode ? SystemErrorText(systemCode) : std::string())
{
}

EMBSysError::EMBSysError(std::string source, int stringId, int code, std::string_view codeText)
    : EMBError(std::move(source), stringId, {SystemDetail(code, codeText)}), systemCode_(code)
{
}

EMBSysError::EMBSysError(std::string source, int stringId, std::string_view argument)
    : EMBError(std::move(source), stringId, {argument})
{
}

EMBPramError::EMBPramError(std::string source, std::string_view parameter)
    : EMBError(std::move(source), kTextBadParameter, {parameter})
{
}

std::string ServerExceptionName(std::uint8_t code)
{
  switch (code) {
    case 1: return LoadStr(2016);
    case 2: return LoadStr(2017);
    case 3: return LoadStr(2018);
    case 4: return LoadStr(2019);
    case 5: return LoadStr(2020);
    case 6: return LoadStr(2021);
    case 8: return LoadStr(2022);
    case 10: return LoadStr(2023);
    case 11: return LoadStr(2024);
    default: return "?";
  }
}

EMBServerException::EMBServerException(std::string source, std::uint8_t code)
    : EMBDeviceError(std::move(source), kTextServerException, {code, ServerExceptionName(code)}), code_(code)
{
}

}  // namespace ModbusMaster
