#include "testing/FileContents.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <utility>

#include "platform/foundation/PropertyList.h"

namespace ostrel::testing {

std::string keychainItemOf(const std::string& container, const std::string& account) {
  std::error_code unlisted;
  for (const auto& entry : std::filesystem::directory_iterator(container + "/Library/Keychains", unlisted)) {
    if (entry.path().extension() != ".item") continue;
    const auto item = platform::foundation::PropertyList::readFile(entry.path().string());
    if (item["account"] == platform::foundation::Value(account)) return entry.path().string();
  }
  return {};
}

std::string contentsOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void overwriteWithNoise(const std::string& path, long long offset, int bytes, unsigned seed) {
  std::mt19937 random(seed);
  std::string noise(static_cast<size_t>(bytes), '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(offset);
  file.write(noise.data(), bytes);
}

std::vector<std::string> damagedCopiesOf(const std::string& path, const std::string& folder) {
  const std::filesystem::path file(path);
  const std::string prefix = file.filename().string() + ".damaged-";
  std::vector<std::string> kept;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? file.parent_path() : std::filesystem::path(folder), error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix)) continue;
    if (name.ends_with("-wal") || name.ends_with("-shm") || name.ends_with("-journal")) continue;
    kept.push_back(entry.path().string());
  }
  // "<date>" then "<date>-2", "<date>-3"... for copies kept within the same second.
  const auto key = [&](const std::string& kept) {
    const std::string stamp = std::filesystem::path(kept).filename().string().substr(prefix.size());
    const std::size_t dash = stamp.find('-', stamp.find('-') + 1);
    return std::make_pair(stamp.substr(0, dash), dash == std::string::npos ? 1 : std::stoi(stamp.substr(dash + 1)));
  };
  std::sort(kept.begin(), kept.end(), [&](const std::string& a, const std::string& b) { return key(a) < key(b); });
  return kept;
}

}  // namespace ostrel::testing
