#include "cli/Options.h"

#include <algorithm>

namespace ovk::cli {

std::string ParsedOptions::Last(const std::string& name, const std::string& fallback) const {
  auto it = given.find(name);
  return it == given.end() ? fallback : it->second.back();
}

std::vector<std::string> ParsedOptions::All(const std::string& name) const {
  auto it = given.find(name);
  return it == given.end() ? std::vector<std::string>{} : it->second;
}

// Options may stand anywhere before "--", as with most Linux tools: an
// option typed after the archive is never taken for a file or entry name.
std::string ParseOptions(const Args& args, std::initializer_list<KnownOption> known,
                         ParsedOptions& out) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--") {
      out.positional.insert(out.positional.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    // A lone "-" is an ordinary argument, as with most tools.
    if (word.size() < 2 || word[0] != '-') {
      out.positional.push_back(word);
      continue;
    }
    if (word == "--help" || word == "-h") {
      out.help = true;
      continue;
    }
    auto option = std::find_if(known.begin(), known.end(),
                             [&](const KnownOption& s) { return word == s.name; });
    if (option == known.end()) return "unknown option '" + word + "' (names that start with '-' go after '--')";
    if (!option->takesValue) {
      out.given[word].push_back("");
      continue;
    }
    if (i + 1 == args.size()) return "option '" + word + "' needs a value";
    out.given[word].push_back(args[++i]);
  }
  return "";
}

bool ParseCommandOptions(const Args& args, std::initializer_list<KnownOption> known,
                         ParsedOptions& out, int& status) {
  const std::string error = ParseOptions(args, known, out);
  if (!error.empty()) {
    status = UsageError(error);
    return false;
  }
  if (out.help) {
    PrintUsage();
    status = kExitOk;
    return false;
  }
  return true;
}

int UsageError(const std::string& text) {
  return Fail(kExitUsage, text + " (try ovk --help)");
}

}  // namespace ovk::cli
