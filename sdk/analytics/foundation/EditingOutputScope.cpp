#include "sdk/analytics/foundation/EditingOutputScope.h"

namespace sdk::analytics {

namespace {

// Scopes nest when a write of editing's output writes again.
thread_local int editingOutputScopesOpen = 0;

}  // namespace

EditingOutputScope::EditingOutputScope() { ++editingOutputScopesOpen; }

EditingOutputScope::~EditingOutputScope() { --editingOutputScopesOpen; }

bool EditingOutputScope::isOpen() { return editingOutputScopesOpen > 0; }

}  // namespace sdk::analytics
