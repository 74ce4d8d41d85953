// `ovk`: a thin command-line front end over the archive operations.
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "cli/Escape.h"
#include "cli/Options.h"
#include "engine/LibraryVersions.h"
#include "support/FileUnit.h"

namespace ovk::cli {

const char kUsage[] =
    "Usage: ovk COMMAND [OPTIONS] ARCHIVE ...\n"
    "\n"
    "Commands:\n"
    "  list [--raw | --json] [-p PASSWORD] ARCHIVE\n"
    "      List the entries: sizes, time, '*' for enciphered ones, totals\n"
    "      (--raw: the engine's own ';'-separated lines, one per entry, '\\'\n"
    "      between folders; '%', ';' and control bytes in a name as %XX:\n"
    "      %25, %3B, %0A; --json: one JSON document of the format and every\n"
    "      entry, folders too: name, type, size, packedSize, modified (UTC),\n"
    "      mode, linkTarget, method, encrypted).\n"
    "  extract [-p PASSWORD] [-d FOLDER] [-q] ARCHIVE [NAME ...]\n"
    "      Extract every entry, or only the named ones, into FOLDER\n"
    "      (default: the current folder), replacing existing files.\n"
    "  extract -j | --junk-paths ...\n"
    "      As extract, every file straight into FOLDER under its own name, no\n"
    "      folder made; a file whose name an earlier one took is reported.\n"
    "  extract --here [-p PASSWORD] [-q] ARCHIVE...\n"
    "      Extract each archive beside itself, replacing nothing: a lone\n"
    "      top-level item whose name is free lands as it is, anything else in\n"
    "      a new folder named after the archive ('NAME (2)' when NAME is\n"
    "      taken); prints where each archive went.\n"
    "  test [-p PASSWORD] [-q] ARCHIVE [NAME ...]\n"
    "      Decode and check every entry, or only the named ones, writing\n"
    "      nothing; prints a summary line.\n"
    "  add [-p PASSWORD [--aes]] [--native | --format NAME] [--no-recurse] [-x MASK]... ARCHIVE SOURCE...\n"
    "  add --folder NAME ARCHIVE\n"
    "      Add NAME as an empty folder entry (ZIP, tar and 7z keep them).\n"
    "      Add files, folders or FOLDER/MASK sources; the archive is created\n"
    "      when missing, in the format its suffix names (.tar, .tar.gz/.tgz,\n"
    "      .tar.bz2/.tbz2, .tar.xz/.txz, .tar.zst/.tzst, .7z; ZIP for any\n"
    "      other) or --format names (zip, native, tar, tar.gz, tar.bz2, tar.xz,\n"
    "      tar.zst, 7z). Tar and 7z keep symbolic links as links and empty\n"
    "      folders; a change to them writes a whole new archive beside the old\n"
    "      one and renames it into place. Dot-files and dot-folders are\n"
    "      stored too. -x leaves out matching files and folders (-x '.*' the\n"
    "      dot-names; a mask with a folder separator matches the relative path).\n"
    "      -p enciphers new ZIP entries the traditional way, which every tool\n"
    "      opens but known-plaintext attacks break; with --aes they get\n"
    "      AES-256 instead, which is strong but needs 7-Zip, WinZip, Ark or\n"
    "      libarchive to open.\n"
    "  delete [-q] ARCHIVE NAME...\n"
    "      Remove the named entries from a ZIP, tar or 7z archive.\n"
    "  rename [-q] ARCHIVE OLD NEW\n"
    "      Give the entry OLD (a folder as 'docs/', with everything in it)\n"
    "      the name NEW in a ZIP, tar or 7z archive; a NEW that is taken,\n"
    "      empty or unsafe ('..', absolute) is refused, the archive unchanged.\n"
    "  comment ARCHIVE [TEXT | -]\n"
    "      Print the archive's comment, or set it to TEXT ('-': standard\n"
    "      input; '': none). ZIP archives keep a comment.\n"
    "  repair ARCHIVE\n"
    "      Rebuild the directory of a ZIP archive an interrupted add left\n"
    "      without one, from every entry whose data its CRC-32 proves whole;\n"
    "      the entries left out and cut are named (exit status 2 when one is\n"
    "      left out), and a file nothing can be proven of stays as it was.\n"
    "\n"
    "list, extract and test read ZIP, native and AES-enciphered 7z archives\n"
    "(-p opens an enciphered list of entries), and through libarchive tar,\n"
    "cpio, 7z, RAR, ISO 9660, cab, LHA, xar, ar/deb and WARC archives\n"
    "(compressed too) and single .gz/.bz2/.xz/.zst/.lz4 files; add,\n"
    "delete and rename write ZIP, tar (plain, .gz, .bz2, .xz, .zst) and 7z\n"
    "(add: native too); repair mends ZIP.\n"
    "\n"
    "Runs that write one archive take turns: a second add or delete waits\n"
    "for the first to finish.\n"
    "\n"
    "NAME is a stored name as listed, every character counting (blanks and\n"
    "';' included); '/' and '\\' both separate folders. A NAME no entry has\n"
    "exactly selects the one entry that differs from it only in letter case;\n"
    "a NAME that matches no entry, or several that way, is reported (exit\n"
    "status 3); the other named entries are still processed. -p needs a\n"
    "password that is not empty.\n"
    "Options may stand anywhere, in any order; '--' ends them (a NAME that\n"
    "starts with '-' goes after it).\n"
    "\n"
    "Options: --help, --version\n"
    "Exit status: 0 success, 1 password needed, 2 failed check (wrong password\n"
    "or damaged data), 3 other failure, 64 usage error, 130 stopped by Ctrl-C.\n"
    "On a terminal, extract, test, add and delete show a progress line\n"
    "(-q: none).\n";

void PrintUsage() { std::cout << kUsage; }

void Warn(const std::string& text) { std::cerr << "ovk: " << EscapeControls(text) << '\n'; }

int Fail(int status, const std::string& text) {
  Warn(text);
  return status;
}

}  // namespace ovk::cli

int main(int argc, char** argv) {
  using namespace ovk::cli;
  if (argc < 2) return UsageError("no command given");
  const std::string command = argv[1];
  const Args args(argv + 2, argv + argc);
  if (command == "--help" || command == "-h" || command == "help") {
    PrintUsage();
    return kExitOk;
  }
  if (command == "--version") {
    std::cout << "ovk (OVK Viewer) " << OVK_VERSION << '\n';
    for (const auto& [library, version] : ovk::LibraryVersions()) std::cout << "  " << library << ' ' << version << '\n';
    return kExitOk;
  }
  if (command == "list") return RunList(args);
  if (command == "extract") return RunExtract(args);
  if (command == "test") return RunTest(args);
  if (command == "add") return RunAdd(args);
  if (command == "delete") return RunDelete(args);
  if (command == "repair") return RunRepair(args);
  if (command == "rename") return RunRename(args);
  if (command == "comment") return RunComment(args);
  return UsageError("unknown command '" + command + "'");
}
