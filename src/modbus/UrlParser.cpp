#include "modbus/UrlParser.h"

namespace ModbusMaster {
namespace {

std::string_view BeforeFirst(std::string_view text, std::string_view separator)
{
  auto at = text.find(separator);
  return at == std::string_view::npos ? text : text.substr(0, at);
}

std::string_view AfterFirst(std::string_view text, std::string_view separator)
{
  auto at = text.find(separator);
  return at == std::string_view::npos ? text : text.substr(at + separator.size());
}

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

}  // namespace

TUrlParts ParseUrl(std::string_view url)
{
  TUrlParts parts;
  std::string_view rest = url;
  if (Contains(url, "://")) {
    parts.Scheme = BeforeFirst(url, "://");
    rest = AfterFirst(url, "://");
  }

  auto at = rest.find('@');
  if (at != std::string_view::npos && at < rest.find('/')) {
    std::string_view userPart = rest.substr(0, at);
    rest = rest.substr(at + 1);
    if (Contains(userPart, ":")) {
      parts.User = BeforeFirst(userPart, ":");
      parts.Password = AfterFirst(userPart, ":");
    } else {
      parts.User = userPart;
    }
  }

  std::string_view hostPort = rest;
  std::string_view path;
  if (Contains(rest, "/")) {
    hostPort = BeforeFirst(rest, "/");
    path = AfterFirst(rest, "/");
  }

  if (!hostPort.empty() && hostPort.front() == '[') {
    parts.Host = BeforeFirst(hostPort, "]").substr(1);
    std::string_view remainder = AfterFirst(hostPort, "]");
    if (!remainder.empty() && remainder.front() == ':') parts.Port = AfterFirst(remainder, ":");
  } else if (Contains(hostPort, ":")) {
    parts.Host = BeforeFirst(hostPort, ":");
    parts.Port = AfterFirst(hostPort, ":");
  } else {
    parts.Host = hostPort;
  }

  parts.FullPath = "/" + std::string(path);
  if (Contains(path, "?")) {
    parts.Path = "/" + std::string(BeforeFirst(path, "?"));
    parts.Query = AfterFirst(path, "?");
  } else {
    parts.Path = parts.FullPath;
  }

  if (parts.Host.empty()) parts.Host = "localhost";
  return parts;
}

}  // namespace ModbusMaster
