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
// "PATH: not an archive this program can read" when no format reads the
// file; empty when one does.
std::string ArchiveFormatError(const std::string& path);

// Empty when this process may write the archive file itself (a rewrite
// replaces it, which its folder alone would allow), otherwise the reason.
std::string ArchiveWriteError(const std::string& path);

// Empty unless an interrupted add left the archive without its directory,
// else the line that says so and how to rebuild it.
std::string MissingDirectoryError(const std::string& path);

// The archive's entries as the listing gives them; false (with the reason
// in error) when the archive cannot be opened or no format reads it.
bool ListEntries(const ListRequest& request, ListResult& listed, std::string& error);

// A name as the user typed it or the listing gives it, in the stored form
// the engine's selections take: "/" becomes "\".
std::string StoredNameOf(const std::string& name);

// The engine's selection of the typed names, each in its stored form.
std::vector<std::string> BuildSelection(const Args& names);

// Reports on stderr each typed name that selects no entry of the archive,
// by the engine's own rule (a user who mistypes a name is told). Returns
// the number of names that do select an entry, or -1 when the archive
// cannot be listed (reported). password opens an enciphered list.
int CountMatchedNames(const std::string& archive, const Args& names, const std::string& password);

// The password of -p: "-" reads it from the first line of standard input,
// so that it need not show in the process list. Without -p, and when the
// archive holds an enciphered entry or its list of entries is enciphered,
// it is asked for on the terminal (no echo) when there is one. The exit status: 0, else reported, 64 when "-"
// finds no password and 130 when Ctrl-C or SIGTERM ended the question.
int ResolvePassword(const ParsedOptions& options, const std::string& archive, std::string& password);
// The password -p gives, "-" read from standard input; the exit status as
// ResolvePassword's.
int GivenPassword(const ParsedOptions& options, std::string& password);
// The password asked for on the terminal (left empty without one); the
// exit status, 130 when the question was ended by Ctrl-C or SIGTERM.
int AskPassword(const std::string& archive, std::string& password);

// Empty unless -p is given an empty password (which would store entries
// unenciphered, or read none), else the usage error text.
std::string PasswordOptionError(const ParsedOptions& options);

// Empty when every name can be selected, else the usage error text: no
// entry has an empty name.
std::string SelectionNamesError(const Args& names);

}  // namespace ovk::cli
