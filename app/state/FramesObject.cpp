// FramesObject: packages, haptics and the small rules of the state object.
#include "app/state/FramesObject.h"

#include <algorithm>

#include "app/model/NumericText.h"
#include "platform/foundation/CurrentRegion.h"
#include "app/storage/PackageUtil.h"
#include "platform/log/Log.h"

using platform::foundation::CurrentRegion;
using app::model::NumericText;

namespace app::state {

namespace {

constexpr int kStandardOne = -2;
constexpr int kStandardTwo = -1;
constexpr const char* kNameOne = "Pacakge One";
constexpr const char* kNameTwo = "Pacakge Two";

// A standard package that is stored but cannot be shown whole: what is shown stands in for this run only.
bool standsIn(storage::PackageUtil::Found found, const char* which) {
  using Found = storage::PackageUtil::Found;
  if (found != Found::Unusable && found != Found::InPart) return false;
  platform::log::write(platform::log::Warning,
                       std::string("Standard package ") + which +
                           (found == Found::Unusable ? " could not be read; the default package is shown"
                                                     : " could not be read whole; it is shown without what is missing") +
                           " and the stored one is kept");
  return true;
}

void take(PersonsPackage& persons, storage::PackageUtil::Found found, const char* which) {
  standsIn(found, which) ? persons.shownStandsIn() : persons.shownIsPersons();
}

}  // namespace

std::shared_ptr<FramesObject> FramesObject::getSingleton() {
  static const std::shared_ptr<FramesObject> instance = std::make_shared<FramesObject>();
  DCHECK_CALLED_ON_VALID_SEQUENCE(instance->sequenceChecker_);
  return instance;
}

FramesObject::FramesObject() = default;

bool FramesObject::phoneRegionIsImperial() {
  const std::string country = CurrentRegion::countryCode();
  return country == "US" || country == "UM" || country == "MM" || country == "LR";
}

bool FramesObject::onFirstStart() {
  if (appStarts_ == 1 && !first_Start) {
    first_Start = true;
    appStarts_ = 2;
    return true;
  }
  first_Start = false;
  return false;
}

void FramesObject::dress(model::CameraPackage& package, const char* name, bool withAdapter) {
  if (frameGuideStyleChosen_) {
    package.frameGuideShading = frameGuideShading_;
    package.frameGuideColor = getUIColorFromInt(frameGuideColor_);
  }
  if (withAdapter) setLensAdapterFromPackage();
  package.packageName = name;
}

void FramesObject::setLensAdapterFromPackage() {
  lensAdapter = currentPackage ? currentPackage->lensAdapter : std::nullopt;
}

void FramesObject::loadPackages() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  auto found = storage::PackageUtil::Found::Stored;
  packageOne = storage::PackageUtil::loadPackage(kStandardOne, &found);
  take(personsOne_, found, "one");
  dress(*packageOne, kNameOne, true);
  packageTwo = storage::PackageUtil::loadPackage(kStandardTwo, &found);
  take(personsTwo_, found, "two");
  dress(*packageTwo, kNameTwo, true);
  currentPackageModus = 1;
}

void FramesObject::setPackageOneAsCurrentPackage() { editSlot(0); }

void FramesObject::setPackageTwoAsCurrentPackage() { editSlot(1); }

void FramesObject::editSlot(int32_t modus) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  currentPackageModus = modus;
  const bool two = modus != 0;
  auto found = storage::PackageUtil::Found::Stored;
  model::CameraPackage loaded = storage::PackageUtil::loadPackage(two ? kStandardTwo : kStandardOne, &found);
  const bool readWhole = found == storage::PackageUtil::Found::Stored || found == storage::PackageUtil::Found::Mended;
  auto& slot = two ? packageTwo : packageOne;
  if (!readWhole && slot) {
    // What was read stands in: the slot's own package is the one edited, with its own selections.
    loaded = *slot;
    storage::PackageUtil::setLoadedPackageinDB(loaded);
  } else if (readWhole && persons().standsIn()) {
    // Read whole at last: what stood in gives way to the person's package.
    persons().shownIsPersons();
    slot = loaded;
    dress(*slot, two ? kNameTwo : kNameOne, false);
  }
  currentPackage = loaded;
  dress(*currentPackage, two ? kNameTwo : kNameOne, true);
}

void FramesObject::generateStartPackages() {
  currentPackage = storage::PackageUtil::getStartPackageOne();
  dress(*currentPackage, kNameOne, true);
  storage::PackageUtil::saveStandardPackageOne(*currentPackage);
  currentPackage.reset();
  currentPackageModus = 1;
  currentPackage = storage::PackageUtil::getStartPackageTwo();
  dress(*currentPackage, kNameTwo, true);
  storage::PackageUtil::saveStandardPackageTwo(*currentPackage);
}

void FramesObject::loadPackage(const model::CameraPackage& package, unsigned parts) {
  auto& slot = currentPackageModus != 0 ? packageTwo : packageOne;
  if (!persons().choose(slot.value_or(model::CameraPackage()), package, parts)) {
    ++packageStoresRefused_;
    platform::log::write(platform::log::Warning,
                         std::string("A choice for standard package ") + (currentPackageModus != 0 ? "two" : "one") +
                             " could not be read whole; it is shown and not stored");
  }
  currentPackage.reset();
  slot = package;
  currentPackage = package;
  lensAdapter = package.lensAdapter;
  changeFormatFromPackage(package);
}

void FramesObject::changeFormatFromPackage(const model::CameraPackage& package) {
  const int32_t format = package.shootingMode ? package.shootingMode->containerID : 0;
  if (currentPackageModus != 0) {
    formatTwoId = format;
    cropIDTwo_ = package.cropID;
  } else {
    formatOneId = format;
    cropIDOne_ = package.cropID;
  }
}

void FramesObject::loadCurrentPackage() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  const bool two = currentPackageModus != 0;
  currentPackage =
      storage::PackageUtil::getCurrentPackageWithFormatID(two ? formatTwoId : formatOneId, two ? cropIDTwo_ : cropIDOne_);
  if (frameGuideStyleChosen_) {
    currentPackage->frameGuideShading = frameGuideShading_;
    currentPackage->frameGuideColor = getUIColorFromInt(frameGuideColor_);
  } else if (const auto& stored = two ? packageTwo : packageOne) {
    // The colour and shading stay the ones the package being edited was stored with.
    currentPackage->frameGuideShading = stored->frameGuideShading;
    currentPackage->frameGuideColor = stored->frameGuideColor;
  }
  setLensAdapterFromPackage();
  storage::PackageUtil::setLoadedPackageinDB(*currentPackage);
}

void FramesObject::blockHapticFeedback() {
  if (hapticBlocked_) return;
  hapticFeedbackWasSet_ = settings.hapticFeedback;
  hapticBlocked_ = true;
  settings.hapticFeedback = false;
}

void FramesObject::unblockHapticFeedback() {
  hapticBlocked_ = false;
  settings.hapticFeedback = hapticFeedbackWasSet_;
  savePrefs();
}

model::LensSet FramesObject::thinLensSet(std::optional<model::CameraPackage>& package) {
  if (!package) return {};
  if (!package->mLensSet) package->mLensSet = model::LensSet();
  model::LensSet& set = *package->mLensSet;
  std::vector<model::LensObject> result;
  for (const auto& lens : set.lenses) {
    if (!NumericText::contains(lens.lensType, "Prime Lens")) {
      result.push_back(lens);
      continue;
    }
    const auto twin = std::find_if(result.begin(), result.end(), [&](const model::LensObject& kept) {
      return NumericText::contains(kept.lensType, "Prime Lens") && kept.focalLength == lens.focalLength;
    });
    if (twin == result.end()) {
      result.push_back(lens);
      continue;
    }
    // Of two primes of one focal length the first stays, unless the later one is in the user's set.
    const bool selected = std::any_of(set.selectedLenses.begin(), set.selectedLenses.end(),
                                      [&](const model::LensObject& chosen) { return chosen.lensId == lens.lensId; });
    if (selected) {
      result.erase(twin);
      result.push_back(lens);
    }
  }
  set.lenses = std::move(result);
  return set;
}

model::LensSet FramesObject::getLensSetForPackageOne() { return thinLensSet(packageOne); }

model::LensSet FramesObject::getLensSetForPackageTwo() { return thinLensSet(packageTwo); }

}  // namespace app::state

