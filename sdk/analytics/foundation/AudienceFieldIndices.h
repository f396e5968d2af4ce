#pragma once

#include <array>

#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/detail/NanoFields.h"

// The fields of the audience messages (ProtoAudienceMessages.h), in one home for every file that reads, validates,
// evaluates and stores them, so the evaluation and the validation cannot come to disagree on where a field sits. Laid
// out, checked and extended as MeasurementFieldIndices.h describes; a field the messages carry but nothing reads keeps
// its row and has no name.
namespace sdk::analytics::audience_fields {

using detail::tagAt;

// The schemas sit in a namespace of their own, so a file that takes in the names takes in none of their shorthands.
namespace schema {
using namespace sdk::analytics::detail;
using K = NanoFieldKind;
}  // namespace schema

// ProtoAudience: one audience of the configuration.
namespace schema {
inline constexpr std::array kAudience{
    single(1, K::Int32),                                   // 0
    repeatedMessage(2, &ProtoPropertyFilter::descriptor),  // 1
    repeatedMessage(3, &ProtoEventFilter::descriptor),     // 2
    single(4, K::Bool),                                    // 3, not read
    single(5, K::Bool),                                    // 4, not read
};
}  // namespace schema
inline constexpr int kAudienceID = 0;
inline constexpr int kAudiencePropertyFilters = 1;
inline constexpr int kAudienceEventFilters = 2;
static_assert(tagAt(schema::kAudience, kAudienceID) == 1);
static_assert(tagAt(schema::kAudience, kAudiencePropertyFilters) == 2);
static_assert(tagAt(schema::kAudience, kAudienceEventFilters) == 3);

// ProtoEventFilter: a filter over the events of one name.
namespace schema {
inline constexpr std::array kEventFilter{
    single(1, K::Int32),                           // 0
    single(2, K::String),                          // 1
    repeatedMessage(3, &ProtoFilter::descriptor),  // 2
    single(4, K::Bool),                            // 3, not read
    message(5, &ProtoNumberFilter::descriptor),    // 4
    single(6, K::Bool),                            // 5
    single(7, K::Bool),                            // 6
    single(8, K::Bool),                            // 7
};
}  // namespace schema
inline constexpr int kEventFilterID = 0;
inline constexpr int kEventFilterName = 1;
inline constexpr int kEventFilterParameters = 2;
inline constexpr int kEventFilterCount = 4;
inline constexpr int kEventFilterDynamic = 5;
inline constexpr int kEventFilterSequence = 6;
inline constexpr int kEventFilterSessionScoped = 7;
static_assert(tagAt(schema::kEventFilter, kEventFilterID) == 1);
static_assert(tagAt(schema::kEventFilter, kEventFilterName) == 2);
static_assert(tagAt(schema::kEventFilter, kEventFilterParameters) == 3);
static_assert(tagAt(schema::kEventFilter, kEventFilterCount) == 5);
static_assert(tagAt(schema::kEventFilter, kEventFilterDynamic) == 6);
static_assert(tagAt(schema::kEventFilter, kEventFilterSequence) == 7);
static_assert(tagAt(schema::kEventFilter, kEventFilterSessionScoped) == 8);

// ProtoPropertyFilter: a filter over the user property of one name.
namespace schema {
inline constexpr std::array kPropertyFilter{
    single(1, K::Int32),                   // 0
    single(2, K::String),                  // 1
    message(3, &ProtoFilter::descriptor),  // 2
    single(4, K::Bool),                    // 3
    single(5, K::Bool),                    // 4
    single(6, K::Bool),                    // 5
};
}  // namespace schema
inline constexpr int kPropertyFilterID = 0;
inline constexpr int kPropertyFilterName = 1;
inline constexpr int kPropertyFilterFilter = 2;
inline constexpr int kPropertyFilterDynamic = 3;
inline constexpr int kPropertyFilterSequence = 4;
inline constexpr int kPropertyFilterSessionScoped = 5;
static_assert(tagAt(schema::kPropertyFilter, kPropertyFilterID) == 1);
static_assert(tagAt(schema::kPropertyFilter, kPropertyFilterName) == 2);
static_assert(tagAt(schema::kPropertyFilter, kPropertyFilterFilter) == 3);
static_assert(tagAt(schema::kPropertyFilter, kPropertyFilterDynamic) == 4);
static_assert(tagAt(schema::kPropertyFilter, kPropertyFilterSequence) == 5);
static_assert(tagAt(schema::kPropertyFilter, kPropertyFilterSessionScoped) == 6);

// ProtoFilter: a value filter, of a user property or of one event parameter.
namespace schema {
inline constexpr std::array kFilter{
    message(1, &ProtoStringFilter::descriptor),  // 0
    message(2, &ProtoNumberFilter::descriptor),  // 1
    single(3, K::Bool),                          // 2
    single(4, K::String),                        // 3
};
}  // namespace schema
inline constexpr int kFilterString = 0;
inline constexpr int kFilterNumber = 1;
inline constexpr int kFilterComplement = 2;
inline constexpr int kFilterParameterName = 3;
static_assert(tagAt(schema::kFilter, kFilterString) == 1);
static_assert(tagAt(schema::kFilter, kFilterNumber) == 2);
static_assert(tagAt(schema::kFilter, kFilterComplement) == 3);
static_assert(tagAt(schema::kFilter, kFilterParameterName) == 4);

// ProtoNumberFilter: a comparison with decimal texts.
namespace schema {
inline constexpr std::array kNumberFilter{
    single(1, K::UInt32),  // 0
    single(2, K::Bool),    // 1
    single(3, K::String),  // 2
    single(4, K::String),  // 3
    single(5, K::String),  // 4
};
}  // namespace schema
inline constexpr int kNumberComparisonType = 0;
inline constexpr int kNumberFloat = 1;  // a floating-point count, refused in an event-count filter
inline constexpr int kNumberComparisonValue = 2;
inline constexpr int kNumberMinimum = 3;
inline constexpr int kNumberMaximum = 4;
static_assert(tagAt(schema::kNumberFilter, kNumberComparisonType) == 1);
static_assert(tagAt(schema::kNumberFilter, kNumberFloat) == 2);
static_assert(tagAt(schema::kNumberFilter, kNumberComparisonValue) == 3);
static_assert(tagAt(schema::kNumberFilter, kNumberMinimum) == 4);
static_assert(tagAt(schema::kNumberFilter, kNumberMaximum) == 5);

// ProtoStringFilter: a match of a text.
namespace schema {
inline constexpr std::array kStringFilter{
    single(1, K::UInt32),    // 0
    single(2, K::String),    // 1
    single(3, K::Bool),      // 2
    repeated(4, K::String),  // 3
};
}  // namespace schema
inline constexpr int kStringMatchType = 0;
inline constexpr int kStringExpression = 1;
inline constexpr int kStringCaseSensitive = 2;
inline constexpr int kStringExpressionList = 3;
static_assert(tagAt(schema::kStringFilter, kStringMatchType) == 1);
static_assert(tagAt(schema::kStringFilter, kStringExpression) == 2);
static_assert(tagAt(schema::kStringFilter, kStringCaseSensitive) == 3);
static_assert(tagAt(schema::kStringFilter, kStringExpressionList) == 4);

// ProtoResultData: an audience's results, one status and one result bit per filter, with the filters' timestamps.
namespace schema {
inline constexpr std::array kResultData{
    repeated(1, K::UInt64),                                                 // 0
    repeated(2, K::UInt64),                                                 // 1
    repeatedMessage(3, &ProtoDynamicFilterResultTimestamp::descriptor),   // 2
    repeatedMessage(4, &ProtoSequenceFilterResultTimestamp::descriptor),  // 3
};
}  // namespace schema
inline constexpr int kResultStatus = 0;
inline constexpr int kResults = 1;
inline constexpr int kDynamicTimestamps = 2;
inline constexpr int kSequenceTimestamps = 3;
static_assert(tagAt(schema::kResultData, kResultStatus) == 1);
static_assert(tagAt(schema::kResultData, kResults) == 2);
static_assert(tagAt(schema::kResultData, kDynamicTimestamps) == 3);
static_assert(tagAt(schema::kResultData, kSequenceTimestamps) == 4);

// ProtoDynamicFilterResultTimestamp and ProtoSequenceFilterResultTimestamp: a filter's latest time, or its times, by
// the same names.
namespace schema {
inline constexpr std::array kDynamicTimestamp{
    single(1, K::Int32),  // 0
    single(2, K::Int64),  // 1
};
inline constexpr std::array kSequenceTimestamp{
    single(1, K::Int32),    // 0
    repeated(2, K::Int64),  // 1
};
}  // namespace schema
inline constexpr int kTimestampFilterID = 0;
inline constexpr int kTimestampValues = 1;
static_assert(tagAt(schema::kDynamicTimestamp, kTimestampFilterID) == 1);
static_assert(tagAt(schema::kDynamicTimestamp, kTimestampValues) == 2);
static_assert(tagAt(schema::kSequenceTimestamp, kTimestampFilterID) == 1);
static_assert(tagAt(schema::kSequenceTimestamp, kTimestampValues) == 2);

// ProtoAudienceLeafFilterResult: an audience's results as a bundle carries them.
namespace schema {
inline constexpr std::array kLeafResult{
    single(1, K::Int32),                          // 0
    message(2, &ProtoResultData::descriptor),     // 1
    message(3, &ProtoResultData::descriptor),     // 2
    single(4, K::Bool),                           // 3
};
}  // namespace schema
inline constexpr int kLeafAudienceID = 0;
inline constexpr int kLeafCurrent = 1;
inline constexpr int kLeafPrevious = 2;
inline constexpr int kLeafNewAudience = 3;
static_assert(tagAt(schema::kLeafResult, kLeafAudienceID) == 1);
static_assert(tagAt(schema::kLeafResult, kLeafCurrent) == 2);
static_assert(tagAt(schema::kLeafResult, kLeafPrevious) == 3);
static_assert(tagAt(schema::kLeafResult, kLeafNewAudience) == 4);

}  // namespace sdk::analytics::audience_fields
