#pragma once

namespace sdk::analytics {

// Every view controller's appearance methods, replaced so that each appearance and disappearance
// reaches the shared screen-view reporter once the controller's own method has run. Not done while
// automatic screen reporting is off, beside an older analytics framework, or when either method is
// missing: each is logged, and screens then go unreported.
class AppearanceMethodReplacement {
 public:
  static void install();
};

}  // namespace sdk::analytics
