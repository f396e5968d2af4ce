#include "testing/OtherUser.h"

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/ChildProcess.h"

namespace ostrel::testing {

namespace {

constexpr const char* kSetpriv = "/usr/bin/setpriv";
constexpr const char* kTest = "/usr/bin/test";

std::vector<std::string> asNobody(const passwd& nobody) {
  return {kSetpriv, "--reuid=" + std::to_string(nobody.pw_uid), "--regid=" + std::to_string(nobody.pw_gid),
          "--clear-groups"};
}

// Whether nobody may search the folder (or run the program) at `path`, every folder on the way included.
bool nobodyReaches(const passwd& nobody, const std::string& path) {
  std::vector<std::string> command = asNobody(nobody);
  command.insert(command.end(), {kTest, "-x", path});
  auto probe = ChildProcess::start(command, environmentWithout({}));
  if (!probe) return false;
  const int status = probe->wait();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::string OtherUser::unavailableReason(const std::vector<std::string>& reached) {
  const passwd* nobody = ::getpwnam("nobody");
  if (::geteuid() != 0 || !nobody || ::access(kSetpriv, X_OK) != 0 || ::access(kTest, X_OK) != 0) {
    return "needs a second user (a file the program's user may not open): run the suite as root to run the "
           "program as nobody";
  }
  for (const std::string& path : reached) {
    if (!nobodyReaches(*nobody, path)) {
      return "needs a second user, and nobody cannot reach " + path +
             " (a folder on its way is closed to other users): run the suite with TMPDIR and the build in folders "
             "others may pass through";
    }
  }
  return {};
}

std::vector<std::string> OtherUser::commandHanding(const std::string& tree) {
  const passwd* nobody = ::getpwnam("nobody");
  if (!nobody) return {};
  namespace fs = std::filesystem;
  fs::permissions(fs::path(tree).parent_path(), fs::perms::others_exec, fs::perm_options::add);
  EXPECT_EQ(::lchown(tree.c_str(), nobody->pw_uid, nobody->pw_gid), 0) << tree;
  for (const auto& entry : fs::recursive_directory_iterator(tree)) {
    EXPECT_EQ(::lchown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid), 0) << entry.path();
  }
  return asNobody(*nobody);
}

}  // namespace ostrel::testing
