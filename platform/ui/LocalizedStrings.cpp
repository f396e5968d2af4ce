#include "platform/ui/LocalizedStrings.h"

#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Utf8.h"
#include "platform/log/Log.h"
#include "platform/ui/StringsFormat.h"

namespace platform::ui {
namespace {

using Table = std::map<std::string, std::string>;

struct Cache {
  std::mutex mutex;
  std::vector<std::string> languages;                      // set by the app or a test
  std::map<std::string, std::shared_ptr<const Table>> tables;  // "<bundle>|<table>" -> table
};

Cache& cache() {
  static Cache c;
  return c;
}

// "de_DE.UTF-8" -> "de_DE", "de"; "C" and "POSIX" say nothing.
void addFromLocale(std::vector<std::string>& out, const std::string& locale) {
  std::string name = locale.substr(0, locale.find_first_of(".@"));
  if (name.empty() || name == "C" || name == "POSIX") return;
  out.push_back(name);
  size_t underscore = name.find('_');
  if (underscore != std::string::npos) out.push_back(name.substr(0, underscore));
}

std::vector<std::string> environmentLanguages() {
  std::vector<std::string> out;
  if (const char* list = std::getenv("LANGUAGE")) {
    std::string text = list;
    size_t start = 0;
    while (start <= text.size()) {
      size_t colon = text.find(':', start);
      addFromLocale(out, text.substr(start, colon - start));
      if (colon == std::string::npos) break;
      start = colon + 1;
    }
  }
  if (const char* lang = std::getenv("LANG")) addFromLocale(out, lang);
  return out;
}

// UTF-16 files (the classic encoding of strings tables) become UTF-8; a UTF-8 mark is dropped.
std::string toUtf8(const std::vector<uint8_t>& bytes) {
  if (bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
    bool little = bytes[0] == 0xFF;
    std::string out;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      char32_t unit = little ? (bytes[i] | bytes[i + 1] << 8) : (bytes[i] << 8 | bytes[i + 1]);
      if (foundation::Utf8::isHighSurrogate(unit) && i + 3 < bytes.size()) {
        char32_t low = little ? (bytes[i + 2] | bytes[i + 3] << 8) : (bytes[i + 2] << 8 | bytes[i + 3]);
        if (foundation::Utf8::isLowSurrogate(low)) {
          unit = foundation::Utf8::fromSurrogatePair(unit, low);
          i += 2;
        }
      }
      foundation::Utf8::append(out, unit);
    }
    return out;
  }
  size_t skip = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
  return foundation::Utf8::sanitized(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(skip), bytes.end()));
}

std::optional<Table> fromValue(const foundation::Value& value) {
  const foundation::Dictionary* dict = value.dictionary();
  if (!dict) return std::nullopt;
  Table table;
  for (const auto& [key, entry] : *dict) {
    if (const std::string* text = entry.string()) table[key] = *text;
  }
  return table;
}

std::optional<Table> readTable(const std::string& path, const std::string& type) {
  auto bytes = foundation::AtomicFile::readFile(path);
  if (!bytes.ok()) return std::nullopt;
  if (type == "json") return fromValue(foundation::Json::parse(toUtf8(*bytes)));
  std::string head(bytes->begin(), bytes->begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(bytes->size(), 8)));
  if (type == "plist" || head.rfind("bplist", 0) == 0 || head.rfind("<?xml", 0) == 0) {
    return fromValue(foundation::PropertyList::read(*bytes));
  }
  return LocalizedStrings::parseStrings(toUtf8(*bytes));
}

std::shared_ptr<const Table> loadTable(const foundation::Bundle& bundle, const std::string& name) {
  std::vector<std::string> languages = LocalizedStrings::preferredLanguages();
  languages.push_back("en");
  languages.push_back("Base");
  for (const std::string& language : languages) {
    std::string folder = language + ".lproj";
    for (const char* type : {"strings", "json", "plist"}) {
      std::string path = bundle.pathForResource(name, type, folder);
      if (path.empty()) continue;
      if (auto table = readTable(path, type)) return std::make_shared<const Table>(std::move(*table));
      log::write(4, "Localization", "The strings table " + path + " cannot be read; its texts show as keys");
    }
  }
  return std::make_shared<const Table>();
}

}  // namespace

std::string LocalizedStrings::localizedString(const std::string& key, const std::string& value,
                                              const std::string& table) {
  auto bundle = foundation::Bundle::main();
  std::string name = table.empty() ? "Localizable" : table;
  std::string cacheKey = (bundle ? bundle->bundlePath() : std::string()) + "|" + name;
  std::shared_ptr<const Table> found;
  {
    std::lock_guard lock(cache().mutex);
    auto it = cache().tables.find(cacheKey);
    if (it != cache().tables.end()) found = it->second;
  }
  if (!found) {
    found = bundle ? loadTable(*bundle, name) : std::make_shared<const Table>();
    std::lock_guard lock(cache().mutex);
    cache().tables.emplace(cacheKey, found);
  }
  auto it = found->find(key);
  if (it != found->end()) return it->second;
  return value.empty() ? key : value;
}

void LocalizedStrings::setPreferredLanguages(std::vector<std::string> languages) {
  std::lock_guard lock(cache().mutex);
  cache().languages = std::move(languages);
  cache().tables.clear();
}

std::vector<std::string> LocalizedStrings::preferredLanguages() {
  {
    std::lock_guard lock(cache().mutex);
    if (!cache().languages.empty()) return cache().languages;
  }
  return environmentLanguages();
}

void LocalizedStrings::reload() {
  std::lock_guard lock(cache().mutex);
  cache().tables.clear();
}

std::optional<std::map<std::string, std::string>> LocalizedStrings::parseStrings(const std::string& text) {
  return StringsFormat::parse(text);
}

}  // namespace platform::ui
