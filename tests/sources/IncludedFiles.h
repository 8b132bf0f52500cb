#pragma once

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

// The files one source file includes (#include "..." or <...>), each looked up beside
// the file first, then under each of `roots` in order, as the build's include path
// does. An include found nowhere (a system or generated header) is left out; the rest
// come back as canonical paths.
inline std::vector<std::filesystem::path> IncludedFiles(const std::filesystem::path& file,
                                                        const std::vector<std::filesystem::path>& roots)
{
  namespace fs = std::filesystem;
  static const std::regex kInclude(R"re(^\s*#\s*include\s*[<"]([^>"]+)[>"])re");
  std::vector<fs::path> found;
  std::ifstream in(file);
  std::smatch match;
  for (std::string line; std::getline(in, line);) {
    if (!std::regex_search(line, match, kInclude)) continue;
    std::vector<fs::path> bases{file.parent_path()};
    bases.insert(bases.end(), roots.begin(), roots.end());
    for (const fs::path& base : bases) {
      const fs::path target = base / match[1].str();
      if (fs::is_regular_file(target)) {
        found.push_back(fs::canonical(target));
        break;
      }
    }
  }
  return found;
}
