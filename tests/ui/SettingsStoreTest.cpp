#include <gtest/gtest.h>

#include <cstring>

#include "ui/AdvancedRegistry.h"
#include "ui/RegistryFile.h"
#include "ui/UiTestUtil.h"
#include "ui/WindowSettings.h"

using namespace ovktest;
using ovk::TAdvancedRegistry;
using ovk::WindowSettings;

namespace {

const std::string kHead = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Halvora\\OVK]\n";

std::string HexOf(std::size_t count, int byte) {
  std::string hex;
  char item[4];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(item, sizeof item, "%02x", byte);
    hex += std::string(i ? "," : "") + item;
  }
  return hex;
}

TEST(WindowSettings, FieldsSitAtTheirOffsetsHeightBeforeWidth) {
  WindowSettings s;
  s.SetBounds(100, 50, 800, 600);
  s.SetMaximized(true);
  s.SetExtractFolder("/out");
  s.SetSubfoldersOff(true);
  s.SetSourceFolder("/data/pics/");
  const std::uint8_t* b = s.Data();
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[1] | b[2] << 8, 100);
  EXPECT_EQ(b[3] | b[4] << 8, 50);
  EXPECT_EQ(b[5] | b[6] << 8, 600);
  EXPECT_EQ(b[7] | b[8] << 8, 800);
  EXPECT_EQ(b[9], 4);
  EXPECT_EQ(std::memcmp(b + 10, "/out", 4), 0);
  EXPECT_EQ(b[265], 1);
  EXPECT_EQ(b[266], 11);
  EXPECT_EQ(std::memcmp(b + 267, "/data/pics/", 11), 0);
  // Positions keep their low 16 bits; texts are cut at 255 bytes.
  s.SetBounds(-1, 65536 + 7, 70000, 0);
  EXPECT_EQ(s.Left(), 65535);
  EXPECT_EQ(s.Top(), 7);
  EXPECT_EQ(s.Width(), 70000 - 65536);
  s.SetSourceFolder(std::string(300, 'x'));
  EXPECT_EQ(s.SourceFolder().size(), 255u);
}

TEST(AdvancedRegistry, KeyPathIsBuiltFromRootAreaAndSection) {
  TAdvancedRegistry registry;
  EXPECT_EQ(registry.KeyPath(), "HKEY_CURRENT_USER\\Software\\Halvora\\OVK");
  EXPECT_EQ(registry.KeyPath("Columns"), "HKEY_CURRENT_USER\\Software\\Halvora\\OVK\\Columns");
  registry.RegistryRootKey = TAdvancedRegistry::kLocalMachine;
  EXPECT_EQ(registry.KeyPath(), "HKEY_LOCAL_MACHINE\\Software\\Halvora\\OVK");
}

struct BinaryCase {
  const char* what;
  std::string fileText;  // empty: no file
  bool result;
  bool errorEvent;
  std::size_t bytesCopied;  // from the start of the value of 0xAB bytes
};

TEST(AdvancedRegistry, BinaryReadFollowsTheStoredValue) {
  const BinaryCase cases[] = {
      {"no file", "", true, true, 0},
      {"malformed file", "not a registry file\n", true, true, 0},
      {"other key only", "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Other]\n\"Settings\"=hex:ab\n",
       true, true, 0},
      {"value absent", kHead + "\"Other\"=hex:ab\n", true, false, 0},
      {"shorter value", kHead + "\"Settings\"=hex:" + HexOf(9, 0xab) + "\n", true, false, 9},
      {"exact size", kHead + "\"Settings\"=hex:" + HexOf(16, 0xab) + "\n", true, false, 16},
      {"untyped value", kHead + "\"Settings\"=hex(0):" + HexOf(3, 0xab) + "\n", true, false, 3},
      {"too large", kHead + "\"Settings\"=hex:" + HexOf(17, 0xab) + "\n", false, true, 0},
      {"text value", kHead + "\"Settings\"=\"abc\"\n", false, true, 0},
  };
  for (const BinaryCase& c : cases) {
    SettingsHome home;
    if (!c.fileText.empty()) WriteFile(home.SettingsFile(), c.fileText);
    TAdvancedRegistry registry;
    int errors = 0;
    registry.OnError = [&](TAdvancedRegistry&) { ++errors; };
    std::uint8_t buffer[16];
    std::memset(buffer, 0x11, sizeof buffer);
    EXPECT_EQ(registry.ReadBinary("Settings", buffer, sizeof buffer), c.result) << c.what;
    EXPECT_EQ(errors > 0, c.errorEvent) << c.what;
    for (std::size_t i = 0; i < sizeof buffer; ++i)
      EXPECT_EQ(buffer[i], i < c.bytesCopied ? 0xab : 0x11) << c.what << " byte " << i;
  }
}

TEST(AdvancedRegistry, WritesCreateTheFolderKeepOtherValuesAndReplaceMalformedFiles) {
  SettingsHome home;
  TAdvancedRegistry registry;
  registry.WriteString("Columns", "Sizes", "1,2,3");
  const std::uint8_t bytes[3] = {0, 0x28, 0xff};
  registry.WriteBinary("Settings", bytes, sizeof bytes);
  std::string text;
  ASSERT_TRUE(registry.ReadString("Columns", "Sizes", text));
  EXPECT_EQ(text, "1,2,3");
  ovk::RegistryFile file;
  ASSERT_TRUE(file.Parse(ReadFile(home.SettingsFile())));
  EXPECT_EQ(file.FindValue(registry.KeyPath(), "Settings")->data, std::string("\x00\x28\xff", 3));
  EXPECT_FALSE(registry.ReadString("Columns", "Missing", text));
  EXPECT_FALSE(registry.ReadString("", "Settings", text)) << "a binary value is no text";

  WriteFile(home.SettingsFile(), "\x01\x02 broken [");
  registry.WriteString("Sort", "SortCol", "2");
  ASSERT_TRUE(file.Parse(ReadFile(home.SettingsFile())));
  ASSERT_EQ(file.Keys().size(), 1u);
  EXPECT_EQ(file.FindValue(registry.KeyPath("Sort"), "SortCol")->data, "2");
  // No temporary file is left next to the settings.
  EXPECT_EQ(ovktest::Run("ls -A " + Quote(home.dir / "Halvora") + " | wc -l").output, "1\n");
}

TEST(AdvancedRegistry, FileFollowsXdgConfigHomeElseHome) {
  SettingsHome home;
  EXPECT_EQ(ovk::SettingsFilePath(), home.dir.Path() + "/Halvora/OVK.reg");
  setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  std::string homeDir = std::getenv("HOME") ? std::getenv("HOME") : "";
  EXPECT_EQ(ovk::SettingsFilePath(), homeDir + "/.config/Halvora/OVK.reg");
}

}  // namespace
