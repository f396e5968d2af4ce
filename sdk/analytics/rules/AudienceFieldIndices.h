#pragma once

// Field indices of the audience messages (ProtoAudienceMessages.h), in one table for the files that read, validate and
// store them, so the evaluation and the validation cannot come to disagree on where a field sits.
namespace sdk::analytics::audience_fields {

inline constexpr int kAudienceID = 0, kAudiencePropertyFilters = 1, kAudienceEventFilters = 2;
inline constexpr int kEventFilterID = 0, kEventFilterName = 1, kEventFilterParameters = 2, kEventFilterCount = 4,
                     kEventFilterDynamic = 5, kEventFilterSequence = 6, kEventFilterSessionScoped = 7;
inline constexpr int kPropertyFilterID = 0, kPropertyFilterName = 1, kPropertyFilterFilter = 2,
                     kPropertyFilterDynamic = 3, kPropertyFilterSequence = 4, kPropertyFilterSessionScoped = 5;
inline constexpr int kFilterString = 0, kFilterNumber = 1, kFilterComplement = 2, kFilterParameterName = 3;
// ProtoResultData and its dynamic and sequence timestamp messages.
inline constexpr int kResultStatus = 0, kResults = 1, kDynamicTimestamps = 2, kSequenceTimestamps = 3;
inline constexpr int kTimestampFilterID = 0, kTimestampValues = 1;

}  // namespace sdk::analytics::audience_fields
