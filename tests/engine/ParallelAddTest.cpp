// Packing with files in flight on the coding threads: entries come out in the
// walk's order with the bytes a one-by-one run gives, for every container
// and password choice, also past the memory budget.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coding/Payload.h"
#include "common/TestUtil.h"
#include "ArchiveBytes.h"
#include "engine/AddSession.h"
#include "engine/ExtractFromArchive.h"
#include "engine/ListArchive.h"
#include "WriteTestUtil.h"

namespace ovktest {
namespace {

// Mixed sizes and kinds; the largest file coded whole and one coded in pieces.
FileTree MakeMixedTree(const std::string& root) {
  FileTree tree;
  for (int i = 0; i < 40; ++i) {
    const std::size_t size = static_cast<std::size_t>(i * i * 97 % 200000);
    std::string content = i % 3 == 0 ? RandomBytes(size, 100 + i) : std::string();
    while (content.size() < size) content += "line " + std::to_string(content.size()) + " of file " + std::to_string(i) + "\n";
    content.resize(size);
    const std::string name = "d" + std::to_string(i % 4) + "/f" + std::to_string(i) + ".dat";
    tree[name] = content;
  }
  tree["big.log"] = std::string(ovk::kWholeCompressionBytes - 1000, 'z') + RandomBytes(1000, 7);
  tree["huge.log"] = std::string(ovk::kWholeCompressionBytes, 'h') + RandomBytes(1000, 8);
  for (const auto& [name, content] : tree) WriteFile(root + "/" + name, content);
  return tree;
}

struct Packed {
  std::vector<std::string> names;  // in archive order
  std::vector<std::int32_t> packedSizes;
};

// Packs the tree; the names and packed sizes as the listing gives them.
Packed PackTree(const std::string& archive, const std::string& folder, const AddOptions& o) {
  EXPECT_TRUE(Add(archive, folder, o));
  Packed p;
  for (const ovk::Entry& e : ovk::ListArchive(ovk::ListRequest{archive}, ovk::SilentObserver()).entries) {
    p.names.push_back(e.name);
    p.packedSizes.push_back(static_cast<std::int32_t>(e.packedSize));
  }
  return p;
}

TEST(ParallelAddTest, ZipEntriesHoldTheOneByOnePayloadsInWalkOrder) {
  TempDir dir;
  const FileTree tree = MakeMixedTree(dir / "src");
  const Packed p = PackTree(dir / "a.zip", dir / "src", {});
  ASSERT_EQ(p.names.size(), tree.size());
  // Each payload is the whole-file coding of its content, at increasing offsets.
  const std::string archive = ReadFile(dir / "a.zip");
  std::size_t at = 0;
  for (std::size_t i = 0; i < p.names.size(); ++i) {
    std::string name = p.names[i];
    for (char& c : name) c = c == '\\' ? '/' : c;
    if (tree.at(name).size() > ovk::kWholeCompressionBytes) continue;  // coded in pieces
    const std::string payload = ovk::DeflateRaw(tree.at(name), ovk::kLevelDefault);
    EXPECT_EQ(p.packedSizes[i], static_cast<std::int32_t>(payload.size())) << name;
    const std::size_t found = archive.find(payload, at);
    ASSERT_NE(found, std::string::npos) << name;
    at = found + payload.size();
  }
  // A second run writes the very same bytes.
  PackTree(dir / "b.zip", dir / "src", {});
  EXPECT_EQ(ReadFile(dir / "b.zip"), archive);
}

struct Kind {
  bool native;
  const char* password;
};

class ParallelRoundTrip : public ::testing::TestWithParam<Kind> {};

TEST_P(ParallelRoundTrip, EveryFileExtractsIdentically) {
  TempDir dir;
  const FileTree tree = MakeMixedTree(dir / "src");
  AddOptions o;
  o.native = GetParam().native;
  o.password = GetParam().password;
  PackTree(dir / "a.ovk", dir / "src", o);
  const ovktest::Extraction x = ovktest::ExtractAll(dir / "a.ovk", dir / "out", o.password);
  ASSERT_TRUE(x.ok) << x.lines.front();
  EXPECT_EQ(ReadTree(dir / "out"), tree);
  if (!o.native && HaveTool(PeerTool(Peer::Unzip))) {
    EXPECT_EQ(PeerTest(Peer::Unzip, dir / "a.ovk", o.password), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ParallelRoundTrip,
                         ::testing::Values(Kind{false, ""}, Kind{false, "pw"}, Kind{true, ""}, Kind{true, "pw"}),
                         [](const auto& info) {
                           return std::string(info.param.native ? "Native" : "Zip") +
                                  (*info.param.password ? "Enciphered" : "Plain");
                         });

}  // namespace
}  // namespace ovktest
