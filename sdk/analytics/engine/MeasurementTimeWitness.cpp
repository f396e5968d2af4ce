// The measurement database's times witness how far the container's time has gone (see
// platform/foundation/TimeWitnesses), beside the settings' times: a later run writes over those at
// once, while the events it holds keep their dates.
#include <string>

#include "platform/foundation/Paths.h"
#include "platform/foundation/TimeWitnesses.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"

namespace sdk::analytics {
namespace {

[[maybe_unused]] const bool measurementTimesWitnessed = (platform::foundation::TimeWitnesses::add([](double bound) {
  // Found where the engine keeps it, without making the folder.
  const std::string path = platform::foundation::Paths::applicationSupport() + "/" + kMeasurementDirectory + "/" +
                           MeasurementDatabase::kDatabaseName;
  return MeasurementDatabase::latestEventTimeInFile(path, bound);
}), true);

}  // namespace
}  // namespace sdk::analytics
