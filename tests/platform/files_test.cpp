#include "tickbase/platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("tickbase_files_" + std::to_string(::getpid()));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir / "sub.lua");
  }
  void TearDown() override { fs::remove_all(m_dir); }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(m_dir / name, std::ios::binary) << text;
  }
  fs::path m_dir;
};

TEST_F(FilesTest, FindsMatchingRegularFilesInByteOrder) {
  // Distinct apart from case, so that file systems that ignore case agree.
  Write("c.lua", "");
  Write("a.lua", "");
  Write("B.lua", "");
  Write("c.txt", "");
  Write("d.luac", "");  // Windows patterns also match the short name D~1.LUA
  Write("lua", "");
  const auto names = platform::FindFiles(m_dir.string(), ".lua");
  EXPECT_EQ(names, (std::vector<std::string>{"B.lua", "a.lua", "c.lua"}));
  EXPECT_TRUE(platform::FindFiles((m_dir / "missing").string(), ".lua").empty());
}

TEST_F(FilesTest, ReadsWholeFilesIncludingNulBytes) {
  const std::string text("line1\r\nline2\0tail", 17);
  Write("x.lua", text);
  std::string read = "stale";
  EXPECT_TRUE(platform::ReadWholeFile((m_dir / "x.lua").string(), &read));
  EXPECT_EQ(read, text);
  EXPECT_TRUE(platform::FileExists((m_dir / "x.lua").string()));

  EXPECT_FALSE(platform::ReadWholeFile((m_dir / "none.lua").string(), &read));
  EXPECT_TRUE(read.empty());
  EXPECT_FALSE(platform::FileExists((m_dir / "none.lua").string()));
  EXPECT_FALSE(platform::FileExists((m_dir / "sub.lua").string()));
}
