#include <gtest/gtest.h>

#include <vector>

#include "ui/RegistryFile.h"

using ovk::RegistryFile;
using ovk::RegType;
using ovk::RegValue;

namespace {

const std::string kKey = "HKEY_CURRENT_USER\\Software\\Halvora\\OVK";

TEST(RegistryFile, ReadsBinaryWithContinuationsStringsWithEscapesAndOtherTypes) {
  RegistryFile file;
  ASSERT_TRUE(file.Parse(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
      "; a comment\r\n"
      "[HKEY_CURRENT_USER\\Software\\Halvora\\OVK]\r\n"
      "\"Settings\"=hex:00,28,\\\r\n"
      "  01,ff\r\n"
      "\"Path\"=\"C:\\\\data\\\\\\\"x\\\"\"\r\n"
      "\"Count\"=dword:0000012c\r\n"
      "\"Untyped\"=hex(0):01,02\r\n"
      "@=\"default\"\r\n"
      "[HKEY_CURRENT_USER\\Software\\Halvora\\OVK\\Columns]\r\n"
      "\"Sizes\"=\"260,240\"\r\n"));
  const RegValue* settings = file.FindValue(kKey, "Settings");
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->type, RegType::Binary);
  EXPECT_EQ(settings->data, std::string("\x00\x28\x01\xff", 4));
  EXPECT_EQ(file.FindValue(kKey, "path")->data, "C:\\data\\\"x\"");
  EXPECT_EQ(file.FindValue(kKey, "Count")->data, std::string("\x2c\x01\x00\x00", 4));
  EXPECT_EQ(file.FindValue(kKey, "Untyped")->type, RegType::None);
  EXPECT_EQ(file.FindValue(kKey, "")->data, "default");
  EXPECT_EQ(file.FindValue(kKey + "\\COLUMNS", "Sizes")->data, "260,240");
}

TEST(RegistryFile, SerializedTextReadsBackTheSame) {
  RegistryFile file;
  std::string bytes;
  for (int i = 0; i < 522; ++i) bytes += static_cast<char>(i * 7);
  file.SetValue(kKey, RegValue{"Settings", RegType::Binary, 0, bytes});
  file.SetValue(kKey + "\\Sort", RegValue{"SortCol", RegType::String, 0, "a\\b\"c"});
  file.SetValue(kKey, RegValue{"Empty", RegType::Binary, 0, ""});
  std::string text = file.Serialize();
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    EXPECT_LE(end - start, 80u) << "hex lines wrap";
  RegistryFile again;
  ASSERT_TRUE(again.Parse(text)) << text;
  EXPECT_EQ(again.FindValue(kKey, "Settings")->data, bytes);
  EXPECT_EQ(again.FindValue(kKey + "\\Sort", "SortCol")->data, "a\\b\"c");
  EXPECT_EQ(again.FindValue(kKey, "Empty")->data, "");
  EXPECT_EQ(again.Serialize(), text);
}

TEST(RegistryFile, ReplacingAValueKeepsOneOfThatName) {
  RegistryFile file;
  file.SetValue(kKey, RegValue{"Sizes", RegType::String, 0, "1"});
  file.SetValue(kKey, RegValue{"SIZES", RegType::String, 0, "2"});
  ASSERT_EQ(file.Keys().size(), 1u);
  ASSERT_EQ(file.Keys()[0].values.size(), 1u);
  EXPECT_EQ(file.FindValue(kKey, "sizes")->data, "2");
}

TEST(RegistryFile, KeyExistsForWrittenKeysAndTheirParentsOnly) {
  RegistryFile file;
  file.SetValue(kKey + "\\Columns", RegValue{"Sizes", RegType::String, 0, "1"});
  EXPECT_TRUE(file.KeyExists(kKey + "\\Columns"));
  EXPECT_TRUE(file.KeyExists(kKey));
  EXPECT_TRUE(file.KeyExists("hkey_current_user\\software"));
  EXPECT_FALSE(file.KeyExists(kKey + "\\Col"));
  EXPECT_FALSE(file.KeyExists(kKey + "\\Columns\\Deeper"));
}

TEST(RegistryFile, MalformedTextReadsAsNoKeyAtAll) {
  const std::string head = "Windows Registry Editor Version 5.00\n[" + kKey + "]\n";
  const std::vector<std::string> wholeTexts = {
      "", "garbage\n", "REGEDIT5\n[HKEY_CURRENT_USER\\X]\n",
      "Windows Registry Editor Version 5.00\n\"Orphan\"=\"value\"\n",
  };
  const std::vector<std::string> badLines = {
      "\"Settings\"=hex:0g", "\"Settings\"=hex:00,,01", "\"Settings\"=hex:00,",
      "\"Settings\"=hex:001", "\"Name\"=\"unterminated", "\"Name\"=\"bad \\q escape\"",
      "\"Name\"=\"text\" trailing", "\"Name\"=dword:123", "\"Name\"=-",
      "\"Name\" \"no equals\"", "[-HKEY_CURRENT_USER\\Software]", "[HKEY_CURRENT_USER\\Unclosed",
  };
  std::vector<std::string> texts = wholeTexts;
  for (const std::string& line : badLines) texts.push_back(head + "\"Good\"=\"1\"\n" + line + "\n");
  for (const std::string& text : texts) {
    RegistryFile file;
    EXPECT_FALSE(file.Parse(text)) << text;
    EXPECT_TRUE(file.Keys().empty()) << text;
  }
  RegistryFile old;
  EXPECT_TRUE(old.Parse("REGEDIT4\n\n[" + kKey + "]\n\"A\"=\"b\"\n"));
}

}  // namespace
