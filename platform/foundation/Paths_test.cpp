#include "platform/foundation/Paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "testing/ScratchFolder.h"

namespace platform::foundation {
namespace {

namespace fs = std::filesystem;

// Gives each test a clean environment for the root's variables and a scratch folder, and restores both.
class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"OSTREL_HOME", "XDG_DATA_HOME", "HOME"}) {
      const char* value = std::getenv(name);
      saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
      ::unsetenv(name);
    }
    savedRoot_ = Paths::setRoot("");
  }
  void TearDown() override {
    Paths::setRoot(savedRoot_);
    for (const auto& [name, value] : saved_) {
      value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
  }

  std::map<std::string, std::optional<std::string>> saved_;
  ostrel::testing::ScratchFolder scratch_;
  std::string folder_ = scratch_.path();
  std::string savedRoot_;
};

TEST_F(PathsTest, RootPrecedence) {
  ::setenv("HOME", (folder_ + "/home").c_str(), 1);
  ::setenv("XDG_DATA_HOME", "relative/data", 1);  // not absolute: ignored
  EXPECT_EQ(Paths::resolvedRoot(), folder_ + "/home/.local/share/ostrel");
  ::setenv("XDG_DATA_HOME", (folder_ + "/data/").c_str(), 1);
  EXPECT_EQ(Paths::resolvedRoot(), folder_ + "/data/ostrel");
  ::setenv("OSTREL_HOME", (folder_ + "/env").c_str(), 1);
  EXPECT_EQ(Paths::resolvedRoot(), folder_ + "/env");

  EXPECT_EQ(Paths::setRoot(folder_ + "/explicit/"), "");
  EXPECT_EQ(Paths::resolvedRoot(), folder_ + "/explicit");
  EXPECT_EQ(Paths::setRoot(""), folder_ + "/explicit");
  EXPECT_EQ(Paths::resolvedRoot(), folder_ + "/env");

  // A relative root is fixed when set, so a later change of working folder cannot move it.
  std::string cwd = fs::current_path();
  fs::current_path(folder_);
  Paths::setRoot("home");
  fs::current_path(cwd);
  EXPECT_EQ(Paths::resolvedRoot(), folder_ + "/home");
}

TEST_F(PathsTest, FoldersAreCreatedOnFirstUse) {
  Paths::setRoot(folder_ + "/container");
  EXPECT_FALSE(fs::exists(folder_ + "/container"));
  std::pair<std::string (*)(), const char*> cases[] = {
      {Paths::documents, "Documents"},     {Paths::library, "Library"},
      {Paths::caches, "Library/Caches"},   {Paths::applicationSupport, "Library/Application Support"},
      {Paths::preferences, "Library/Preferences"}, {Paths::tmp, "tmp"}};
  for (const auto& [get, relative] : cases) {
    EXPECT_EQ(get(), folder_ + "/container/" + relative);
    EXPECT_TRUE(fs::is_directory(get())) << relative;
  }
  // A folder removed behind our back comes back on the next use.
  fs::remove_all(folder_ + "/container/Library");
  EXPECT_TRUE(fs::is_directory(Paths::caches()));
}

TEST_F(PathsTest, SwitchingRootsWhileOtherThreadsAskIsSafe) {
  Paths::setRoot(folder_ + "/root0");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        if (t == 0) {
          Paths::setRoot(folder_ + "/root" + std::to_string(i % 3));
        } else {
          std::string documents = Paths::documents();
          EXPECT_EQ(documents.rfind(folder_, 0), 0u) << documents;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
}

}  // namespace
}  // namespace platform::foundation
