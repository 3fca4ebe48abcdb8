#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "script/script_fixture.h"
#include "tickbase/script/zip_package.h"

namespace {

class ZipTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    WriteZip("pack.zip", {{"script/npc/guard.lua", "guard"},
                          {"script/", ""},
                          {"Top.lua", "top text"},
                          {"empty.lua", ""}});
    m_package = Unzip_GetZipManager()->OpenPackage("pack.zip", 0);
    ASSERT_NE(m_package, nullptr);
  }
  void TearDown() override {
    if (m_package) m_package->Close();
    ScriptTest::TearDown();
  }
  std::string ReadSelected() {
    std::string text(static_cast<size_t>(m_package->GetFileSize()), '\0');
    EXPECT_EQ(m_package->ReadFile(text.data(), static_cast<int>(text.size())),
              static_cast<int>(text.size()));
    return text;
  }
  iZipPackage* m_package = nullptr;
};

}  // namespace

// Only whole packages open; exact names select entries, read whole or as
// a prefix.
TEST_F(ZipTest, ExactNamesSelectEntriesWhole) {
  iZipManager* manager = Unzip_GetZipManager();
  Write("text.zip", "plain text");
  EXPECT_EQ(manager->OpenPackage("text.zip", 0), nullptr);
  EXPECT_EQ(manager->OpenPackage("absent.zip", 0), nullptr);
  EXPECT_EQ(manager->OpenPackage("", 0), nullptr);
  EXPECT_EQ(manager->OpenPackage(nullptr, 1), nullptr);
  iZipPackage* checked = manager->OpenPackage("pack.zip", 1);
  ASSERT_NE(checked, nullptr);
  checked->Close();
  EXPECT_EQ(m_package->GetFileCount(), 4);
  ASSERT_NE(m_package->FindFile("script/npc/guard.lua"), 0);
  EXPECT_EQ(m_package->GetFileSize(), 5);
  EXPECT_EQ(ReadSelected(), "guard");
  ASSERT_NE(m_package->FindFile("Top.lua"), 0);
  char buffer[8];
  EXPECT_EQ(m_package->ReadFile(buffer, 3), 3);  // a short read takes a prefix
  EXPECT_EQ(std::string(buffer, 3), "top");
  ASSERT_NE(m_package->FindFile("empty.lua"), 0);
  EXPECT_EQ(m_package->GetFileSize(), 0);
  EXPECT_EQ(m_package->ReadFile(buffer, 1), 0);
}

// Separators are folded but case counts. That a failed search selects
// nothing is checked by the zip_package fuzz target over its seeds.
TEST_F(ZipTest, SearchesFoldSeparatorsOnly) {
  EXPECT_NE(m_package->FindFile("script\\npc\\guard.lua"), 0);
  EXPECT_NE(m_package->FindFile("script//npc//guard.lua"), 0);
  EXPECT_NE(m_package->FindFile("./script/npc/guard.lua"), 0);
  EXPECT_NE(m_package->FindFile("/Top.lua"), 0);
  EXPECT_EQ(ReadSelected(), "top text");
  EXPECT_EQ(m_package->FindFile("top.lua"), 0);
  EXPECT_EQ(m_package->FindFile("script/NPC/guard.lua"), 0);
  EXPECT_EQ(m_package->FindFile("script/../Top.lua"), 0);  // no path resolution
  EXPECT_EQ(m_package->FindFile("script/"), 0);  // directories are not files
  EXPECT_EQ(m_package->FindFile(""), 0);
  EXPECT_EQ(m_package->FindFile(nullptr), 0);
}

// Windows zip tools store GBK names raw, without the UTF-8 flag; libzip
// read them as CP437 and no script of such a name was found. A package
// entry's recorded size was allocated before any check: a 1 GiB entry took
// 1 GiB.
TEST_F(ZipTest, GbkNamesMatchTheirBytesAndEntriesOverTheSizeLimitAreRefusedUnread) {
  const std::string gbk = "\xB2\xE2\xCA\xD4";  // "测试" (test) in GBK
  WriteZip("big.zip", {{"script/big.lua", "Record('big')"},
                       {"script/small.lua", "Record('5')"},
                       {"script/" + gbk + ".lua", "Record('gbk')"}});
  {
    // Record 1 GiB as the uncompressed size of big.lua in the central directory.
    std::fstream zip("big.zip", std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(zip)), std::istreambuf_iterator<char>());
    const size_t header = bytes.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(header, std::string::npos);
    zip.seekp(static_cast<std::streamoff>(header + 24));
    zip.write("\x00\x00\x00\x40", 4);
  }
  UsePack("big.zip");
  EXPECT_EQ(Manager().GetScript("big"), nullptr);
  EXPECT_EQ(Take(), "script [script/big.lua] func [] error : \nscript/big.lua in the zip big.zip "
                    "is 1073741824 bytes, over the limit of 67108864\n");
  EXPECT_NE(Manager().GetScript(gbk.c_str()), nullptr) << Out();
  Manager().SetZipEntryLimit(10);
  EXPECT_EQ(Manager().GetScript("small"), nullptr);
  Manager().SetZipEntryLimit(11);
  Manager().ClearAScript("small");
  EXPECT_NE(Manager().GetScript("small"), nullptr);
  EXPECT_EQ(Records(), (std::vector<std::string>{"gbk", "5"}));
  Manager().SetZipEntryLimit(64u << 20);
}
