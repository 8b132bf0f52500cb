#include "platform/HomeFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

std::string UserHomeFolder()
{
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return {};
}
