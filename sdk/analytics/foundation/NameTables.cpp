#include "sdk/analytics/foundation/NameTables.h"

namespace sdk::analytics {

NameTable::NameTable(std::vector<std::pair<std::string, std::string>> pairs) : pairs_(std::move(pairs)) {
  for (const auto& [publicName, internal] : pairs_) {
    byPublic_.emplace(publicName, internal);
    byInternal_.emplace(internal, publicName);  // emplace keeps the first in table order
  }
}

std::optional<std::string> NameTable::internalName(const std::string& publicName) const {
  auto found = byPublic_.find(publicName);
  return found == byPublic_.end() ? std::nullopt : std::optional(found->second);
}

std::optional<std::string> NameTable::publicName(const std::string& internalName) const {
  auto found = byInternal_.find(internalName);
  return found == byInternal_.end() ? std::nullopt : std::optional(found->second);
}

const NameTable& publicToInternalEventNames() {
  static const NameTable table({
      {"adunit_exposure", "_xu"}, {"ad_activeview", "_aa"}, {"ad_click", "_ac"}, {"ad_exposure", "_xa"},
      {"ad_impression", "_ai"}, {"ad_query", "_aq"}, {"ad_reward", "_ar"}, {"app_background", "_ab"},
      {"app_clear_data", "_cd"}, {"app_exception", "_ae"}, {"app_remove", "_ui"}, {"app_store_refund", "_asr"},
      {"app_store_subscription_cancel", "_asse"}, {"app_store_subscription_convert", "_assc"},
      {"app_store_subscription_renew", "_assr"}, {"app_update", "_au"}, {"app_upgrade", "_ug"}, {"error", "_err"},
      {"vurevore_campaign", "_cmp"}, {"first_open", "_f"}, {"first_visit", "_v"}, {"ga_campaign", "_cmp"},
      {"ga_extra_parameter", "_ep"}, {"in_app_purchase", "_iap"}, {"notification_dismiss", "_nd"},
      {"notification_foreground", "_nf"}, {"notification_open", "_no"}, {"notification_receive", "_nr"},
      {"os_update", "_ou"}, {"screen_view", "_vs"}, {"session_start", "_s"},
      {"session_start_with_rollout", "_ssr"}, {"user_engagement", "_e"},
  });
  return table;
}

const NameTable& reservedEventNameExemptions() {
  static const NameTable table(std::vector<std::pair<std::string, std::string>>{{"ad_impression", "_ai"}});
  return table;
}

const NameTable& reservedUserPropertyNames() {
  static const NameTable table({
      {"vurevore_last_notification", "_ln"}, {"first_open_after_install", "_fi"}, {"first_open_time", "_fot"},
      {"ga_session_id", "_sid"}, {"ga_session_number", "_sno"}, {"last_advertising_id_reset", "_lair"},
      {"last_deep_link_referrer", "_ldl"}, {"lifetime_user_engagement", "_lte"},
      {"session_user_engagement", "_se"}, {"user_id", "_id"},
  });
  return table;
}

const NameTable& publicToInternalParameterNames() {
  static const NameTable table({
      {"ad_event_id", "_aeid"}, {"ad_unit_id", "_ai"}, {"app_in_background", "_aib"},
      {"deferred_analytics_collection", "_dac"}, {"engagement_time_msec", "_et"}, {"exposure_time", "_xt"},
      {"vurevore_conversion", "_c"}, {"vurevore_debug", "_dbg"}, {"vurevore_error", "_err"},
      {"vurevore_error_length", "_el"}, {"vurevore_error_value", "_ev"}, {"vurevore_event_origin", "_o"},
      {"vurevore_feature_rollouts", "_ffr"}, {"vurevore_previous_class", "_pc"}, {"vurevore_previous_id", "_pi"},
      {"vurevore_previous_screen", "_pn"}, {"vurevore_realtime", "_r"}, {"vurevore_screen", "_sn"},
      {"vurevore_screen_class", "_sc"}, {"vurevore_screen_id", "_si"}, {"ga_conversion", "_c"}, {"ga_debug", "_dbg"},
      {"ga_dedupe_id", "_did"}, {"ga_error", "_err"}, {"ga_error_length", "_el"}, {"ga_error_value", "_ev"},
      {"ga_event_id", "_eid"}, {"ga_event_name", "_en"}, {"ga_event_origin", "_o"}, {"ga_extra_params_ct", "_epc"},
      {"ga_group_name", "_gn"}, {"ga_index", "_i"}, {"ga_list_length", "_ll"}, {"ga_previous_class", "_pc"},
      {"ga_previous_id", "_pi"}, {"ga_previous_screen", "_pn"}, {"ga_realtime", "_r"}, {"ga_screen", "_sn"},
      {"ga_screen_class", "_sc"}, {"ga_screen_id", "_si"}, {"message_id", "_nmid"}, {"message_name", "_nmn"},
      {"message_time", "_nmt"}, {"message_tracking_id", "_nmtid"}, {"message_type", "_nmc"},
      {"message_device_time", "_ndt"}, {"previous_app_version", "_pv"}, {"previous_first_open_count", "_pfo"},
      {"previous_vmp_app_id", "_pvmp"}, {"previous_os_version", "_po"}, {"session_id", "_sid"},
      {"session_number", "_sno"}, {"topic", "_nt"}, {"update_with_analytics", "_uwa"},
  });
  return table;
}

}  // namespace sdk::analytics

