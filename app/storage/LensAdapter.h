#pragma once

#include <string>
#include <vector>

namespace app::storage {

// The nine adapters that older versions of the app offered as a fixed list. The preference file still
// keeps one factor per package from that list; the adapter catalogue maps their names to its own ids.
// Factors are pairwise distinct (0.71001 and 0.71002, not 0.71) so that a factor names its adapter.
class LensAdapter {
 public:
  LensAdapter() : LensAdapter(1.0f) {}
  explicit LensAdapter(float adapter);

  // The localised text for "None", the first entry's name.
  static std::string localizedNone();

  // The long (respectively short) name of the entry with exactly this factor; "" when none has it.
  std::string getString4Adapter(float adapter) const;
  std::string getShortString4Adapter(float adapter) const;

  float currentAdapter() const { return currentAdapter_; }
  void setCurrentAdapter(float adapter) { currentAdapter_ = adapter; }
  const std::vector<float>& adapterList() const { return adapterList_; }
  void setAdapterList(std::vector<float> list) { adapterList_ = std::move(list); }
  const std::vector<std::string>& adapterNameList() const { return adapterNameList_; }
  void setAdapterNameList(std::vector<std::string> list) { adapterNameList_ = std::move(list); }
  const std::vector<std::string>& adapterShortNameList() const { return adapterShortNameList_; }
  void setAdapterShortNameList(std::vector<std::string> list) { adapterShortNameList_ = std::move(list); }

 private:
  float currentAdapter_;
  std::vector<float> adapterList_;
  std::vector<std::string> adapterNameList_;
  std::vector<std::string> adapterShortNameList_;
};

}  // namespace app::storage

