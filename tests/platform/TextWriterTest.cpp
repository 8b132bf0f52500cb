#include <gtest/gtest.h>

#include <filesystem>

#include "platform/SysFault.h"
#include "platform/TextWriter.h"
#include "support/TempDir.h"

namespace {

// Records what the writer hands on, write by write; can refuse to take anything.
class RecordingStream : public TMemoryStream {
public:
  std::vector<std::size_t> writes;
  bool refuse = false;

  std::size_t Write(const void* buffer, std::size_t count) override
  {
    writes.push_back(count);
    return refuse ? 0 : TMemoryStream::Write(buffer, count);
  }
  std::string Text() const { return std::string(Data().begin(), Data().end()); }
};

}  // namespace

TEST(TextWriter, ByteOrderMarkCrLfAndBlocksOfTheBufferSize)
{
  RecordingStream target;
  {
    TextWriter writer(target);
    writer.WriteLine("Corvane-Tovi v2.1.160.115");
    writer.WriteLine("318К");
    EXPECT_TRUE(target.writes.empty());  // all still in the buffer
    writer.Write(std::string(2000, 'x'));
    EXPECT_EQ(target.writes, (std::vector<std::size_t>{1024}));
  }
  EXPECT_EQ(target.writes, (std::vector<std::size_t>{1024, 3 + 27 + 7 + 2000 - 1024}));
  EXPECT_EQ(target.Text(), "\xEF\xBB\xBF" "Corvane-Tovi v2.1.160.115\r\n318К\r\n" + std::string(2000, 'x'));

  RecordingStream plain;
  TextWriter(plain, false).WriteLine();
  EXPECT_EQ(plain.Text(), "\r\n");
}

TEST(TextWriter, AFailingTargetRaisesOnFlush)
{
  RecordingStream target;
  target.refuse = true;
  TextWriter writer(target);
  writer.Write("text");
  EXPECT_THROW(writer.Flush(), EWriteError);
}

TEST(FileStream, CreateReplacesAnExistingFile)
{
  TempDir dir;
  WriteFileBytes(dir / "list.txt", std::string(5000, 'o'));
  TFileStream file(dir / "list.txt", FileMode::Create);
  {
    TextWriter writer(file);
    writer.WriteLine("new");
  }
  file.Close();
  EXPECT_EQ(ReadFileBytes(dir / "list.txt"), "\xEF\xBB\xBFnew\r\n");
}

TEST(FileStream, CreationAndOpeningErrorsNameTheFullPath)
{
  TempDir dir;
  auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  struct Restore {
    std::filesystem::path path;
    ~Restore() { std::filesystem::current_path(path); }
  } restore{previous};
  try {
    TFileStream file("missing/list.txt", FileMode::Create);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + (dir / "missing/list.txt") + "\". No such file or directory");
  }
  try {
    TFileStream file("", FileMode::Create);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"\". No such file or directory");
  }
  EXPECT_THROW(TFileStream(dir / "absent", FileMode::OpenRead), EFOpenError);
}

TEST(FileStream, FailedSystemCallsRaise)
{
  TempDir dir;
  const std::string path = dir / "list.txt";
  InjectSysFault(SysCallId::Open, EACCES);
  try {
    TFileStream file(path, FileMode::Create);
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + path + "\". Permission denied");
  }
  TFileStream file(path, FileMode::Create);
  InjectSysFault(SysCallId::Write, ENOSPC, 1, 1);  // the second write finds the disk full
  {
    TextWriter writer(file, false);
    writer.Write(std::string(TextWriter::kBufferSize, 'x'));
    writer.Write("tail");
    EXPECT_THROW(writer.Flush(), EWriteError);
  }
  InjectSysFault(SysCallId::Close, EIO);
  try {
    file.Close();
    ADD_FAILURE() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Cannot close file \"" + path + "\". Input/output error");
  }
  ClearSysFaults();
  EXPECT_EQ(ReadFileBytes(path), std::string(TextWriter::kBufferSize, 'x'));
}
