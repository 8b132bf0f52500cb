// The program's core (src/app/core) is built, tested and fuzzed without any window
// system: none of its files includes a Qt header or a header of the windows.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// Every include under the folder of a Qt header (<QWidget>, <QtWidgets/QDialog>,
// <qwidget.h>) or of the windows ("app/ui/..."), as "file:line: the line".
std::vector<std::string> WindowIncludes(const fs::path& folder)
{
  static const std::regex kInclude(R"re(^\s*#\s*include\s*[<"](Qt\w*/|Q[A-Z]|q\w*\.h|app/ui/))re");
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
    std::ifstream in(entry.path());
    int number = 0;
    for (std::string line; std::getline(in, line);) {
      ++number;
      if (std::regex_search(line, kInclude))
        found.push_back(fs::relative(entry.path(), folder).generic_string() + ":" + std::to_string(number) + ": " + line);
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

TEST(CoreIncludes, NoFileOfTheCoreIncludesQtOrTheWindows)
{
  const fs::path core = fs::path(KESTREL_SOURCE_ROOT) / "app" / "core";
  ASSERT_TRUE(fs::is_regular_file(core / "UpgradeJob.h")) << "the core was not found at " << core;
  EXPECT_EQ(WindowIncludes(core), std::vector<std::string>{});
}

TEST(CoreIncludes, FindsEveryFormOfAQtOrWindowsIncludeAndNothingElse)
{
  TempDir dir;
  WriteFileBytes(dir / "Job.h",
                 "#pragma once\n#include <functional>\n#include <QWidget>\n#include \"app/core/Prompts.h\"\n"
                 "#include <queue>\n// #include <QDialog>\n");
  std::filesystem::create_directories(dir.path() / "sub");
  WriteFileBytes(dir / "sub/Job.cpp",
                 "  #  include <QtWidgets/QDialog>\n#include \"app/ui/ProgressDialog.h\"\n#include <qobject.h>\n"
                 "#include \"recorder/info/RegInfo.h\"\n");
  WriteFileBytes(dir / "notes.txt", "#include <QWidget>\n");
  EXPECT_EQ(WindowIncludes(dir.path()), (std::vector<std::string>{
                                            "Job.h:3: #include <QWidget>",
                                            "sub/Job.cpp:1:   #  include <QtWidgets/QDialog>",
                                            "sub/Job.cpp:2: #include \"app/ui/ProgressDialog.h\"",
                                            "sub/Job.cpp:3: #include <qobject.h>",
                                        }));
}

}  // namespace
