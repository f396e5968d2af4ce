#include "app/setup/PackageStoreNotice.h"

#include "app/setup/FormSaveFailure.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/state/FramesObject.h"

namespace app::setup {

namespace {

int refusedSoFar() {
  const auto frames = SetupControllerUtil::getApplication();
  return frames ? frames->packageStoresRefused() : 0;
}

}  // namespace

PackageStoreNotice::PackageStoreNotice() : refusedBefore_(refusedSoFar()) {}

bool PackageStoreNotice::tellIfRefused(platform::ui::ViewController& screen, FormSaveFailure& failure) const {
  if (refusedSoFar() == refusedBefore_) return false;
  failure.reportChoice(screen, "The package", kKept);
  return true;
}

}  // namespace app::setup
