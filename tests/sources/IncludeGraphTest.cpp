#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "IncludedFiles.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// The files under root and the files each includes, resolved against the including
// file's folder first, then against root (as the build's include path does). An
// include that resolves to nothing under root (a generated or system header) is no
// edge.
using IncludeGraph = std::map<std::string, std::vector<std::string>>;

IncludeGraph ReadIncludeGraph(const fs::path& root)
{
  IncludeGraph graph;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp" && extension != ".inc")) continue;
    auto& edges = graph[fs::relative(entry.path(), root).generic_string()];
    for (const fs::path& target : IncludedFiles(entry.path(), {root}))
      edges.push_back(fs::relative(target, fs::canonical(root)).generic_string());
  }
  return graph;
}

// One cycle of the graph as the files along it, the first repeated at the end; empty
// when there is none.
std::vector<std::string> FindCycle(const IncludeGraph& graph)
{
  enum class Mark { Unseen, OnPath, Done };
  std::map<std::string, Mark> marks;
  std::vector<std::string> path;
  std::vector<std::string> cycle;
  auto visit = [&](auto& self, const std::string& file) -> bool {
    marks[file] = Mark::OnPath;
    path.push_back(file);
    if (auto it = graph.find(file); it != graph.end()) {
      for (const std::string& next : it->second) {
        if (marks[next] == Mark::OnPath) {
          cycle.assign(std::find(path.begin(), path.end(), next), path.end());
          cycle.push_back(next);
          return true;
        }
        if (marks[next] == Mark::Unseen && self(self, next)) return true;
      }
    }
    path.pop_back();
    marks[file] = Mark::Done;
    return false;
  };
  for (const auto& [file, edges] : graph)
    if (marks[file] == Mark::Unseen && visit(visit, file)) break;
  return cycle;
}

std::string Joined(const std::vector<std::string>& files)
{
  std::string text;
  for (const auto& file : files) text += (text.empty() ? "" : " -> ") + file;
  return text;
}

TEST(IncludeGraph, SourcesIncludeNoHeaderBackFromWhatItIncludes)
{
  const IncludeGraph graph = ReadIncludeGraph(KESTREL_SOURCE_ROOT);
  ASSERT_GT(graph.size(), 50u) << "the source tree was not found at " << KESTREL_SOURCE_ROOT;
  const auto cycle = FindCycle(graph);
  EXPECT_TRUE(cycle.empty()) << "include cycle: " << Joined(cycle);
}

class IncludeGraphFixture : public testing::Test {
protected:
  void Write(const std::string& name, const std::string& text)
  {
    fs::create_directories((dir.path() / name).parent_path());
    WriteFileBytes(dir / name, text);
  }
  TempDir dir;
};

TEST_F(IncludeGraphFixture, FindsACycleThroughBothKindsOfPath)
{
  Write("a.h", "#pragma once\n#include \"b.h\"\n#include <vector>\n");
  Write("b.h", "  #  include \"x/c.h\"  // root-relative\n");
  Write("x/c.h", "#include \"a.h\"\n");  // not in x/, so from the root
  Write("x/d.cpp", "#include \"c.h\"\n");
  EXPECT_EQ(Joined(FindCycle(ReadIncludeGraph(dir.path()))), "a.h -> b.h -> x/c.h -> a.h");
}

TEST_F(IncludeGraphFixture, SharedHeadersAndCommentedOrUnknownIncludesAreNoCycle)
{
  Write("a.h", "#include \"b.h\"\n#include \"c.h\"\n");
  Write("b.h", "#include \"d.h\"\n// #include \"a.h\"\n");
  Write("c.h", "#include \"d.h\"\n#include \"generated/table.h\"\n");
  Write("d.h", "#pragma once\n");
  EXPECT_TRUE(FindCycle(ReadIncludeGraph(dir.path())).empty());
}

}  // namespace
