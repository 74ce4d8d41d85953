// A small source tree and archives of it made by `ovk add`, shared by the
// extract and add/delete tests.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "cli/OvkRun.h"
#include "common/TestUtil.h"

namespace ovktest {

class CliFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& [name, content] : files_) WriteFile(src_ + "/" + name, content);
  }

  // `ovk add ARGS...`, which must succeed.
  void Add(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"add"};
    all.insert(all.end(), args.begin(), args.end());
    const OvkResult r = RunOvk(all);
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }

  // The stored names `ovk list --raw` shows, in order, %XX decoded.
  std::vector<std::string> Names(const std::string& archive) {
    const OvkResult r = RunOvk({"list", "--raw", archive});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> names;
    for (const std::string& line : Lines(r.out)) {
      std::string name;
      for (std::size_t i = 0; i < line.size() && line[i] != ';'; ++i) {
        if (line[i] != '%') {
          name += line[i];
          continue;
        }
        name += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
        i += 2;
      }
      names.push_back(name);
    }
    return names;
  }

  std::set<std::string> NameSet(const std::string& archive) {
    const auto names = Names(archive);
    return {names.begin(), names.end()};
  }

  TempDir dir_;
  std::string src_ = dir_ / "src";
  const std::map<std::string, std::string> files_ = {
      {"a.txt", "alpha\n"},
      {"notes.log", "log text\n"},
      {"sub/b.txt", "beta\n"},
      {"sub/deeper/c.txt", std::string(5000, 'c') + "end"},
      {"sub/run.log", "more log\n"},
  };
  const std::set<std::string> allNames_ = {"a.txt", "notes.log", "sub\\b.txt", "sub\\deeper\\c.txt",
                                           "sub\\run.log"};
};

}  // namespace ovktest
