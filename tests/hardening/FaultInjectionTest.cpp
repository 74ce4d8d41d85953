// Every archive operation under every planned file-layer fault either
// succeeds or fails cleanly: the user's archive stays readable with every
// entry it had, no damaged entry is left in it, and no temporary file stays.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "FaultPlan.h"
#include "HardeningUtil.h"
#include "common/TestUtil.h"
#include "engine/AddToArchive.h"
#include "engine/WriteTestUtil.h"
#include "engine/Archive.h"
#include "engine/DeleteFromArchive.h"
#include "engine/ArchiveBytes.h"
#include "engine/ExtractFromArchive.h"
#include "engine/formats/zip/ZipDirectory.h"
#include "engine/formats/zip/ZipFormat.h"

namespace fs = std::filesystem;

namespace ovkhard {
namespace {

using Tree = std::map<std::string, std::string>;  // stored name -> content

void WriteTree(const std::string& folder, const Tree& tree) {
  for (const auto& [name, data] : tree) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    ovktest::WriteFile(folder + "/" + path, data);
  }
}

// True when the add ran to its end; failedFiles counts the files it named
// as not added.
bool AddFolder(const std::string& archive, const std::string& folder, bool native, int* failedFiles = nullptr) {
  ovktest::AddOptions o;
  o.native = native;
  const ovk::OperationReport report = ovktest::AddReport(archive, folder, o);
  int failed = 0;
  for (const ovk::EntryFailure& f : report.failures) failed += f.entry != archive;
  if (failedFiles) *failedFiles += failed;
  return static_cast<std::size_t>(failed) == report.failures.size();
}

// A ZIP archive's directory agrees with its local headers: the end record
// counts every entry and the directory indexes each of them.
void ExpectConsistentDirectory(const std::string& archive, std::size_t entries) {
  ovk::DataFile file;
  ASSERT_TRUE(ovk::OpenArchiveForReading(file, archive));
  std::int64_t first = 0;
  ovk::ZipEndRecord end;
  ovk::CentralDirectoryStream directory;
  EXPECT_GE(ovk::LocateZipDirectory(file, first, &end, nullptr, &directory), 0);
  EXPECT_EQ(end.entriesTotal, entries);
  EXPECT_EQ(ovk::IndexCentralDirectory(directory).size(), entries);
  EXPECT_FALSE(ovk::CloseDataFile(file));
}

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteTree(dir_ / "old", oldTree_);
    WriteTree(dir_ / "src", newTree_);
    ovktest::MakeDirs(work_);
    ovktest::MakeDirs(privateTmp_);
  }

  void ExtractUnderFaults(const std::string& archive);

  // Nothing may stay in the private temporary folder or beside the archive.
  void ExpectNoLeftovers(std::size_t expectedInWork) {
    EXPECT_EQ(CountEntries(privateTmp_), 0u) << "temporary file left behind";
    EXPECT_EQ(CountEntries(work_), expectedInWork) << "stray file beside the archive";
  }

  ovktest::TempDir dir_;
  const std::string work_ = dir_ / "work";
  const std::string privateTmp_ = dir_ / "tmp";
  const Tree oldTree_ = {{"old1.txt", std::string(3000, 'o')},
                         {"old2.bin", ovktest::RandomBytes(20000, 1)},
                         {"dir\\old3.txt", "third old entry"}};
  const Tree newTree_ = {{"a.txt", std::string(5000, 'a')},
                         {"b.bin", ovktest::RandomBytes(70000, 2)},
                         {"sub\\c.txt", "new small file"},
                         {"sub\\empty.txt", ""}};
};

// The old archive, the new files appended to it under every fault.
enum class AppendBase { Native, Zip, ZipWithoutEndRecord };

class AppendUnderFaults : public FaultTest, public ::testing::WithParamInterface<AppendBase> {};

TEST_P(AppendUnderFaults, ArchiveKeepsEveryOldEntryAndNoDamagedOne) {
  const bool native = GetParam() == AppendBase::Native;
  const std::string base = dir_ / "base.arc";
  const std::string archive = work_ + "/archive.arc";
  ASSERT_TRUE(AddFolder(base, dir_ / "old", native));
  const ArchiveContent old = ReadArchive(base);
  ASSERT_EQ(old.files, oldTree_);
  if (GetParam() == AppendBase::ZipWithoutEndRecord) {
    // As an append killed midway leaves it: the old entries, then the first
    // bytes of a new one, no directory.
    ovk::DataFile file;
    ASSERT_TRUE(ovk::OpenArchiveForReading(file, base));
    std::int64_t first = 0;
    ovk::ZipEndRecord end;
    ASSERT_GE(ovk::LocateZipDirectory(file, first, &end), 0);
    EXPECT_FALSE(ovk::CloseDataFile(file));
    const std::string bytes = ovktest::ReadFile(base);
    ovktest::WriteFile(base, bytes.substr(0, end.directoryOffset) + bytes.substr(0, 40));
  }
  ScopedTmpdir tmp(privateTmp_);

  int failedFiles = 0;
  FaultScenario s;
  s.reset = [&] {
    fs::copy_file(base, archive, fs::copy_options::overwrite_existing);
    failedFiles = 0;
  };
  s.operation = [&] { return AddFolder(archive, dir_ / "src", native, &failedFiles); };
  s.check = [&](bool ok, const Fault&) {
    const ArchiveContent now = ReadArchive(archive);
    std::string missing;
    EXPECT_TRUE(HoldsAll(now, old, missing)) << "old entry lost: " << missing;
    // The cut entry of an archive without end record is the archive's own
    // damage while the append has not touched it.
    const bool cutBaseUntouched =
        GetParam() == AppendBase::ZipWithoutEndRecord && ovktest::ReadFile(archive) == ovktest::ReadFile(base);
    EXPECT_TRUE(now.extracted || cutBaseUntouched)
        << "an entry left in the archive does not extract, code " << now.code;
    if (ok && failedFiles == 0) {
      Tree expected = oldTree_;
      expected.insert(newTree_.begin(), newTree_.end());
      EXPECT_EQ(now.files, expected);
      if (!native) ExpectConsistentDirectory(archive, now.listedEntries);
    }
    ExpectNoLeftovers(1);
  };
  s.bytesWritten = [&] { return fs::file_size(archive) - fs::file_size(base) + 200; };
  const char* labels[] = {"append to native", "append to ZIP", "append to ZIP without end record"};
  RunUnderFaults(labels[static_cast<int>(GetParam())], s);
}

std::string BaseName(const ::testing::TestParamInfo<AppendBase>& info) {
  const char* names[] = {"Native", "Zip", "ZipWithoutEndRecord"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Kinds, AppendUnderFaults,
                         ::testing::Values(AppendBase::Native, AppendBase::Zip, AppendBase::ZipWithoutEndRecord),
                         BaseName);

TEST_F(FaultTest, CreatingZipSucceedsOrFailsCleanly) {
  const std::string archive = work_ + "/new.zip";
  ScopedTmpdir tmp(privateTmp_);
  int failedFiles = 0;
  FaultScenario s;
  s.reset = [&] {
    fs::remove(archive);
    failedFiles = 0;
  };
  s.operation = [&] { return AddFolder(archive, dir_ / "src", false, &failedFiles); };
  s.check = [&](bool ok, const Fault&) {
    if (ok || ovktest::Exists(archive)) {
      const ArchiveContent now = ReadArchive(archive);
      EXPECT_TRUE(now.extracted) << "an entry of the new archive does not extract, code " << now.code;
      for (const auto& [name, data] : now.files) EXPECT_EQ(data, newTree_.at(name)) << name;
      if (ok && failedFiles == 0) {
        EXPECT_EQ(now.files, newTree_);
        ExpectConsistentDirectory(archive, now.listedEntries);
      }
    }
    ExpectNoLeftovers(ovktest::Exists(archive) ? 1 : 0);
  };
  s.bytesWritten = [&] { return fs::file_size(archive); };
  RunUnderFaults("create ZIP", s);
}

// The temporary file of a deletion is made beside the archive and renamed
// over it.
TEST_F(FaultTest, DeleteLeavesTheOldArchiveOrTheWholeNewOne) {
  const std::string base = dir_ / "base.zip";
  const std::string archive = work_ + "/archive.zip";
  ASSERT_TRUE(AddFolder(base, dir_ / "old", false));
  const std::string before = ovktest::ReadFile(base);
  Tree kept = oldTree_;
  kept.erase("old2.bin");
  ScopedTmpdir tmp(privateTmp_);

  FaultScenario s;
  s.reset = [&] { fs::copy_file(base, archive, fs::copy_options::overwrite_existing); };
  s.operation = [&] {
    const ovk::OperationReport report =
        ovk::DeleteFromArchive(ovk::DeleteRequest{archive, {"old2.bin"}}, ovk::SilentObserver());
    EXPECT_EQ(report.ExitStatus(), report.failures.empty() ? 0 : 3);
    return report.failures.empty();
  };
  s.check = [&](bool ok, const Fault&) {
    if (ok) {
      const ArchiveContent now = ReadArchive(archive);
      EXPECT_TRUE(now.extracted);
      EXPECT_EQ(now.files, kept);
      ExpectConsistentDirectory(archive, kept.size());
    } else {
      EXPECT_EQ(ovktest::ReadFile(archive), before) << "a failed deletion changed the archive";
    }
    ExpectNoLeftovers(1);
  };
  s.bytesWritten = [&] { return 2 * fs::file_size(archive); };
  RunUnderFaults("delete", s);
}

// Extracts the archive of the new tree under every fault in turn.
void FaultTest::ExtractUnderFaults(const std::string& archive) {
  const std::string before = ovktest::ReadFile(archive);
  const std::string out = dir_ / "out";
  ScopedTmpdir tmp(privateTmp_);

  FaultScenario s;
  s.reset = [&] { fs::remove_all(out); };
  s.operation = [&] {
    const ovktest::Extraction x = ovktest::ExtractAll(archive, out);
    EXPECT_TRUE(x.code == 0 || x.code == 3) << "code " << x.code;
    return x.ok;
  };
  s.check = [&](bool ok, const Fault& fault) {
    EXPECT_EQ(ovktest::ReadFile(archive), before);
    Tree written;
    for (auto& [path, data] : FilesBelow(out)) {
      std::string stored = path;
      std::replace(stored.begin(), stored.end(), '/', '\\');
      written[stored] = data;
    }
    // A file cut short by a failure is removed, whatever the result.
    for (const auto& [name, data] : written) {
      ASSERT_TRUE(newTree_.count(name)) << name;
      EXPECT_EQ(data, newTree_.at(name)) << "damaged file " << name << " left behind";
    }
    // A file whose creation fails is left out (and named in the report);
    // any other fault that costs a file must make the call fail.
    const bool silentSkipAllowed = !fault.diskFull && fault.op == ovk::FaultOp::Open;
    if (ok && !silentSkipAllowed) {
      // The empty file is stored with a payload, so it is written like the others.
      EXPECT_EQ(written, newTree_);
    }
    ExpectNoLeftovers(1);
  };
  s.bytesWritten = [&] {
    std::uint64_t total = 0;
    for (const auto& [name, data] : newTree_) total += data.size();
    return total;
  };
  RunUnderFaults("extract", s);
}

TEST_F(FaultTest, ExtractingLeavesTheArchiveAloneAndReportsFailures) {
  const std::string archive = work_ + "/archive.zip";
  ASSERT_TRUE(AddFolder(archive, dir_ / "src", false));
  ExtractUnderFaults(archive);
}

// libarchive reads through the same file layer, so its failures are met too.
TEST_F(FaultTest, ExtractingATarGzLeavesItAloneAndReportsFailures) {
  if (!ovktest::HaveTool("tar")) GTEST_SKIP() << "needs tar";
  const std::string archive = work_ + "/archive.tar.gz";
  ASSERT_EQ(ovktest::Run("tar -czf " + ovktest::Quote(archive) + " -C " + ovktest::Quote(dir_ / "src") + " .").exitCode, 0);
  ExtractUnderFaults(archive);
}

}  // namespace
}  // namespace ovkhard
