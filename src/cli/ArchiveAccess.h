// What the sub-commands ask of an archive before they hand it to the
// engine: can it be read, which kind is it, which entries does it hold.
#pragma once

#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Options.h"
#include "engine/ListArchive.h"

namespace ovk::cli {

// Empty when the archive can be opened for reading, otherwise the reason
// as one line ("cannot open archive ...: ...").
std::string ArchiveOpenError(const std::string& path);

// Empty when this process may write the archive file itself (a rewrite
// replaces it, which its folder alone would allow), otherwise the reason.
std::string ArchiveWriteError(const std::string& path);

// Empty unless an interrupted add left the archive without its directory,
// else the line that says so and how to rebuild it.
std::string MissingDirectoryError(const std::string& path);

// The archive's file entries as the listing gives them; false (with the
// reason in error) when the archive cannot be listed. Damaged entries are
// described in *problems when it is given.
bool ListEntries(const std::string& path, std::vector<ListedEntry>& entries, std::string& error,
                 std::vector<std::string>* problems = nullptr);

// A name as the user typed it in its stored form: "/" becomes "\".
std::string StoredNameOf(const std::string& typed);

// The engine's ";"-separated selection of the typed names.
std::string BuildSelection(const Args& names);

// The typed names that select no listed entry, by the engine's own rule.
Args UnmatchedNames(const std::vector<ListedEntry>& entries, const Args& names);

// Reports on stderr each typed name that selects no entry of the archive
// (a user who mistypes a name is told). Returns the number of names that
// do select an entry, or -1 when the archive cannot be listed (reported).
int CountMatchedNames(const std::string& archive, const Args& names);

// The password of -p: "-" reads it from the first line of standard input,
// so that it need not show in the process list. Without -p, and when the
// archive holds an enciphered entry, it is asked for on the terminal (no
// echo) when there is one. False, reported, when "-" finds no line.
bool ResolvePassword(const ParsedOptions& options, const std::string& archive, std::string& password);

// Empty when every name can be selected, else the usage error text: a ";"
// would split a name into two items of the selection.
std::string SelectionNamesError(const Args& names);

}  // namespace ovk::cli
