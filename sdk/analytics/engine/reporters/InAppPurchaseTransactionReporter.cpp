#include "sdk/analytics/engine/reporters/InAppPurchaseTransactionReporter.h"

#include <set>

#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/reporters/InAppPurchaseEventParameters.h"
#include "sdk/analytics/engine/reporters/ReportersMessageCodes.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/Hashing.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using platform::store::PaymentTransaction;
using platform::store::TransactionState;

std::shared_ptr<InAppPurchaseTransactionReporter> InAppPurchaseTransactionReporter::sharedInstance() {
  static auto instance = make({});
  return instance;
}

std::shared_ptr<InAppPurchaseTransactionReporter> InAppPurchaseTransactionReporter::make(Dependencies dependencies) {
  if (!dependencies.productCache) dependencies.productCache = InAppPurchaseProductCache::sharedInstance();
  if (!dependencies.reportQueue) dependencies.reportQueue = platform::dispatch::Queue::global();
  if (!dependencies.logEvent) {
    dependencies.logEvent = [](const std::string& name, const Dictionary& parameters) {
      Analytics::logInternalEventWithOrigin("auto", name, parameters);
    };
  }
  if (!dependencies.purchaseItems) dependencies.purchaseItems = [] { return std::vector<InAppPurchaseItem>{}; };
  return std::shared_ptr<InAppPurchaseTransactionReporter>(new InAppPurchaseTransactionReporter(std::move(dependencies)));
}

InAppPurchaseTransactionReporter::InAppPurchaseTransactionReporter(Dependencies dependencies)
    : dependencies_(std::move(dependencies)) {}

std::optional<std::string> InAppPurchaseTransactionReporter::transactionFingerprint(const PaymentTransaction* transaction) {
  auto& monitor = *Monitor::shared();
  if (!transaction) {
    monitor.logWithLevel(LogLevel::kSilentError, messages::kTransactionMissing, "Transaction is nil");
    return std::nullopt;
  }
  if (transaction->transactionState != TransactionState::Purchased) return std::nullopt;
  Value code(transaction->error ? transaction->error->code : std::int64_t{0});
  if (!transaction->transactionIdentifier) {
    monitor.logWithLevel(LogLevel::kSilentError, messages::kTransactionIdentifierMissing,
                         "Transaction identifier is nil. Code", code);
    return std::nullopt;
  }
  const std::string& identifier = *transaction->transactionIdentifier;
  if (identifier.empty()) {
    monitor.logWithLevel(LogLevel::kSilentError, messages::kTransactionIdentifierEmpty,
                         "Transaction identifier is empty. Code", code);
    return std::nullopt;
  }
  if (identifier.find_first_not_of("0-") == std::string::npos) {
    monitor.logWithLevel(LogLevel::kSilentError, messages::kTransactionIdentifierAllZeroes,
                         "Transaction identifier is only zeroes. Code", code);
    return std::nullopt;
  }
  return md5HexString(identifier);
}

void InAppPurchaseTransactionReporter::paymentQueueUpdatedFilteredTransactions(
    const std::vector<PaymentTransaction>& transactions, UnreportedCallback done) {
  if (!done) done = [](std::vector<PaymentTransaction>) {};
  std::vector<PaymentTransaction> kept;
  std::vector<PaymentTransaction> dropped;
  std::set<std::string> missing;
  for (const auto& transaction : transactions) {
    if (transaction.transactionState != TransactionState::Purchased || transaction.payment.productIdentifier.empty()) {
      dropped.push_back(transaction);
      continue;
    }
    kept.push_back(transaction);
    const std::string& identifier = transaction.payment.productIdentifier;
    if (!dependencies_.productCache->cachedProductForProductIdentifier(identifier)) missing.insert(identifier);
  }
  if (kept.empty()) {
    done(std::move(dropped));
    return;
  }
  std::weak_ptr<InAppPurchaseTransactionReporter> weak = weak_from_this();
  auto report = [weak, kept, dropped, done]() mutable {
    auto self = weak.lock();
    auto unreported = self ? self->reportTransactionsFromArray(kept) : kept;
    unreported.insert(unreported.end(), dropped.begin(), dropped.end());
    done(std::move(unreported));
  };
  if (missing.empty()) {
    dependencies_.reportQueue->async(std::move(report));
    return;
  }
  dependencies_.productCache->requestProductsWithProductIdentifiers(
      missing, dependencies_.reportQueue,
      [report = std::move(report), kept, dropped, done](std::optional<StoreProductsRequest::Products> valid,
                                                       std::optional<std::set<std::string>>,
                                                       std::optional<platform::foundation::Error> error) mutable {
        if (error && (!valid || valid->empty())) {
          Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kProductInformationRequestFailed,
                                          "Cannot request product information. Error", Value(error->description()));
          kept.insert(kept.end(), dropped.begin(), dropped.end());
          done(std::move(kept));
          return;
        }
        report();
      });
}

std::vector<PaymentTransaction> InAppPurchaseTransactionReporter::reportTransactionsFromArray(
    const std::vector<PaymentTransaction>& transactions) {
  const std::vector<InAppPurchaseItem> items = dependencies_.purchaseItems();
  std::vector<PaymentTransaction> unreported;
  for (const auto& transaction : transactions) {
    auto product = dependencies_.productCache->cachedProductForProductIdentifier(transaction.payment.productIdentifier);
    auto parameters = inAppPurchaseEventParameters(product ? &*product : nullptr, &transaction, items);
    if (!parameters || parameters->empty()) {
      unreported.push_back(transaction);
      continue;
    }
    std::string name = "_iap";
    auto takeFlag = [&](const char* key) {
      auto it = parameters->find(key);
      if (it == parameters->end() || !it->second.isInt64() || it->second.int64Value() != 1) return false;
      parameters->erase(it);
      return true;
    };
    if (takeFlag("invalid")) {
      name = "_iapx";
      if (RunningApplication::isASRS()) parameters->insert_or_assign("sandbox", AnalyticsValue(std::int64_t{1}));
    }
    if (takeFlag("sub_renew")) name = "_assr";
    if (takeFlag("sub_convert")) name = "_assc";
    Dictionary event;
    for (const auto& [key, value] : *parameters) event.emplace(key, value.objectValue());
    dependencies_.logEvent(name, event);
  }
  return unreported;
}

}  // namespace sdk::analytics

