// ostrel as a person leaves it after the setup and lens tours, then its preference file deleted, or
// Documents emptied or removed by another program: the next start is not a first start, and the main
// tour leaves the package catalogue holding the very packages, and every catalogue the very rows of the
// person's own, that it held before.
#include <filesystem>
#include <functional>

#include "cmd/ostrel/KeptPackagesTest.h"

namespace {

using ostrel::testing::KeptPackagesTest;
namespace fs = std::filesystem;

TEST_F(KeptPackagesTest, APreferenceFileLostBesideThePersonsPackagesCostsNoPackage) {
  const std::string made = madeByTheTours();
  const std::string before = packagesIn(made);
  const std::string theirOwn = personsRowsIn(made);
  const std::pair<const char*, std::function<void(const std::string& documents)>> losses[] = {
      {"deleted", [](const std::string& documents) { fs::remove(documents + "/FramesData.plist"); }},
      {"Documents emptied",
       [](const std::string& documents) {
         for (const auto& entry : fs::directory_iterator(documents)) fs::remove_all(entry.path());
       }},
      {"Documents removed", [](const std::string& documents) { fs::remove_all(documents); }},
  };
  int cases = 0;
  for (const auto& [loss, lose] : losses) {
    const std::string home = copyOf(made, "lost-" + std::to_string(++cases));
    lose(home + "/Documents");
    const std::string output = play(home, OSTREL_TOUR);
    EXPECT_EQ(packagesIn(home), before) << loss << "\n" << output;
    EXPECT_EQ(personsRowsIn(home), theirOwn) << loss;
    EXPECT_NE(output.find("is missing, but the catalogues hold the standard packages stored before"), std::string::npos)
        << loss << "\n" << output;
    EXPECT_TRUE(fs::exists(home + "/Documents/FramesData.plist")) << loss;
  }
}

}  // namespace
