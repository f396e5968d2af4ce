#include "testing/TempContainer.h"

#include "platform/foundation/Paths.h"

namespace ostrel::testing {

using platform::foundation::Paths;

TempContainer::TempContainer() : previousRoot_(Paths::setRoot(folder_.path())) {}

TempContainer::~TempContainer() { Paths::setRoot(previousRoot_); }

}  // namespace ostrel::testing
