#include "WriteTestUtil.h"

#include <sys/stat.h>

#include <filesystem>

#include "ArchiveBytes.h"
#include "common/TestUtil.h"
#include "support/ByteOrder.h"

namespace fs = std::filesystem;

namespace ovktest {

ovk::OperationReport AddReport(const std::string& archive, const std::string& source, const AddOptions& o) {
  ovk::AddRequest request;
  request.archive = archive;
  if (!source.empty()) request.sources.push_back(source);
  request.storedNamePrefix = o.prefix;
  request.exclusions = o.exclusions;
  request.recurse = o.recurse;
  request.maximumSize = o.maximumSize;
  request.ageInDays = o.ageInDays;
  request.move = o.move;
  request.password = o.password;
  request.createNative = o.native;
  request.format = o.format;
  request.level = o.level;
  return ovk::AddToArchive(request, o.observer ? *o.observer : ovk::SilentObserver());
}

bool Add(const std::string& archive, const std::string& source, const AddOptions& o) {
  const ovk::OperationReport report = AddReport(archive, source, o);
  return report.failures.empty() && !report.cancelled;
}

std::vector<std::string> EntryNames(const std::string& archive) {
  std::vector<std::string> names;
  for (const std::string& line : ListFile(archive).lines) names.push_back(line.substr(0, line.find(';')));
  return names;
}

FileTree ReadTree(const std::string& folder) {
  FileTree tree;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (e.is_regular_file()) tree[fs::relative(e.path(), folder).string()] = ReadFile(e.path().string());
  }
  return tree;
}

std::map<std::string, unsigned> ReadModes(const std::string& folder) {
  std::map<std::string, unsigned> modes;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    struct stat st;
    if (e.is_regular_file() && stat(e.path().c_str(), &st) == 0) {
      modes[fs::relative(e.path(), folder).string()] = st.st_mode & 07777;
    }
  }
  return modes;
}

const char* PeerName(Peer peer) {
  switch (peer) {
    case Peer::Unzip: return "unzip";
    case Peer::SevenZip: return "7zz";
    case Peer::Python: return "python";
  }
  return "?";
}

const char* PeerTool(Peer peer) { return peer == Peer::Python ? "python3" : PeerName(peer); }

namespace {

// Python's zipfile: testzip() (or extractall) under the password.
std::string PythonZip(const std::string& action, const std::string& archive,
                      const std::string& password, const std::string& folder = "") {
  const std::string script =
      "import sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "if sys.argv[2]: z.setpassword(sys.argv[2].encode())\n"
      "if sys.argv[3] == 'test':\n"
      "    bad = z.testzip()\n"
      "    sys.exit('bad entry: %s' % bad if bad else 0)\n"
      "z.extractall(sys.argv[4])\n";
  return "python3 -c " + Quote(script) + " " + Quote(archive) + " " + Quote(password) + " " +
         action + " " + Quote(folder);
}

// Without a password 7zz must not be given -p at all (it would ask).
std::string SevenZipPassword(const std::string& password) {
  return password.empty() ? "" : "-p" + Quote(password) + " ";
}

// unzip's only complaint about an archive without entries is a warning.
std::string Outcome(const CommandResult& r) {
  const bool emptyWarning = r.exitCode == 1 && r.output.find("zipfile is empty") != std::string::npos;
  return r.exitCode == 0 || emptyWarning ? "" : "exit " + std::to_string(r.exitCode) + ": " + r.output;
}

}  // namespace

std::string PeerTest(Peer peer, const std::string& archive, const std::string& password) {
  switch (peer) {
    case Peer::Unzip:
      return Outcome(Run("unzip -t -qq " + (password.empty() ? "" : "-P " + Quote(password) + " ") +
                         Quote(archive)));
    case Peer::SevenZip:
      return Outcome(Run("7zz t -bso0 -bsp0 " + SevenZipPassword(password) + Quote(archive)));
    case Peer::Python:
      return Outcome(Run(PythonZip("test", archive, password)));
  }
  return "unknown peer";
}

std::string PeerExtract(Peer peer, const std::string& archive, const std::string& folder,
                        const std::string& password) {
  MakeDirs(folder);
  switch (peer) {
    case Peer::Unzip:
      return Outcome(Run("unzip -qq -o " + (password.empty() ? "" : "-P " + Quote(password) + " ") +
                         Quote(archive) + " -d " + Quote(folder)));
    case Peer::SevenZip:
      return Outcome(Run("7zz x -y -bso0 -bsp0 " + SevenZipPassword(password) + "-o" + Quote(folder) +
                         " " + Quote(archive)));
    case Peer::Python:
      return Outcome(Run(PythonZip("extract", archive, password, folder)));
  }
  return "unknown peer";
}

std::uint32_t Field32(const std::string& bytes, std::size_t at) { return ovk::GetLE32(bytes.data() + at); }
std::uint16_t Field16(const std::string& bytes, std::size_t at) { return ovk::GetLE16(bytes.data() + at); }

}  // namespace ovktest
