#include "sdk/analytics/engine/reporters/PurchaseFilter.h"

#include "platform/runtime/LoadHooks.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/reporters/InAppPurchaseTransactionReporter.h"
#include "sdk/analytics/engine/reporters/ReportersMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/rules/MeasurementHost.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;
using platform::store::PaymentTransaction;
using platform::store::TransactionState;

constexpr int kPurchaseLoadOrder = 60;

[[maybe_unused]] const bool purchaseReportingRegistered = (platform::runtime::addLoadHook(kPurchaseLoadOrder, &PurchaseFilter::installPurchaseReporting), true);

}  // namespace

PurchaseFilter::PurchaseFilter(std::weak_ptr<MeasurementHost> engine,
                               std::shared_ptr<platform::dispatch::Queue> callbackQueue)
    : engine_(std::move(engine)),
      callbackQueue_(callbackQueue ? std::move(callbackQueue) : platform::dispatch::Queue::global()) {}

void PurchaseFilter::installPurchaseReporting() {
  Analytics::setPurchaseReporting([](const std::vector<PaymentTransaction>& transactions) {
    auto engine = MeasurementEngine::sharedInstance();
    if (!engine) return;
    auto filter = std::make_shared<PurchaseFilter>(std::static_pointer_cast<MeasurementHost>(engine));
    filter->filterPurchaseTransactions(transactions, [filter](std::vector<PaymentTransaction> kept) {
      InAppPurchaseTransactionReporter::sharedInstance()->paymentQueueUpdatedFilteredTransactions(
          kept, [filter](std::vector<PaymentTransaction> unreported) {
            filter->releaseUnreportedTransactions(std::move(unreported));
          });
    });
  });
}

void PurchaseFilter::filterPurchaseTransactions(std::vector<PaymentTransaction> transactions, Callback callback) {
  auto engine = engine_.lock();
  auto scheduler = engine ? engine->scheduler() : nullptr;
  if (!scheduler || !callback) return;
  auto self = shared_from_this();
  scheduler->scheduleOnWorkerQueueBlockID(kFilterBlockID, [self, transactions = std::move(transactions),
                                                           callback = std::move(callback)] {
    auto kept = self->filterOnWorkerQueue(transactions);
    self->callbackQueue_->async([callback, kept = std::move(kept)]() mutable { callback(std::move(kept)); });
  });
}

std::vector<PaymentTransaction> PurchaseFilter::filterOnWorkerQueue(const std::vector<PaymentTransaction>& transactions) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "filterPurchaseTransactions");
  auto engine = engine_.lock();
  auto database = engine ? engine->database() : nullptr;
  auto& monitor = *Monitor::shared();
  std::vector<PaymentTransaction> kept;
  for (const auto& transaction : transactions) {
    if (transaction.transactionState != TransactionState::Purchased) continue;
    const Value productID(transaction.payment.productIdentifier);
    auto fingerprint = InAppPurchaseTransactionReporter::transactionFingerprint(&transaction);
    if (!fingerprint || fingerprint->empty()) {
      monitor.logWithLevel(LogLevel::kSilentError, messages::kPurchaseFingerprintEmpty,
                           "Purchase has nil or empty fingerprint. Purchase will not be checked for duplicates. "
                           "Product ID",
                           productID);
      kept.push_back(transaction);
      continue;
    }
    auto isNew = database ? database->insertIfNotDuplicatePurchaseFingerprint(*fingerprint)
                          : platform::foundation::ErrorOr<bool>(platform::foundation::Error());
    if (!isNew.ok()) {
      monitor.logWithLevel(LogLevel::kMonitoredError, messages::kPurchaseFingerprintSaveFailed,
                           "Failed to save purchase fingerprint. Purchase will not be checked for duplicates. Product "
                           "ID, error",
                           productID, Value(database ? isNew.error().description() : std::string("no database")));
      kept.push_back(transaction);
    } else if (*isNew) {
      claimed_.emplace(*transaction.transactionIdentifier, *fingerprint);
      kept.push_back(transaction);
    } else {
      monitor.logWithLevel(LogLevel::kMonitoredWarning, messages::kDuplicatePurchaseNotReported,
                           "Purchase is a duplicate and will not be reported. Product ID", productID);
    }
  }
  return kept;
}

void PurchaseFilter::releaseUnreportedTransactions(std::vector<PaymentTransaction> unreported) {
  auto engine = engine_.lock();
  auto scheduler = engine ? engine->scheduler() : nullptr;
  if (!scheduler || unreported.empty()) return;
  auto self = shared_from_this();
  scheduler->scheduleOnWorkerQueueBlockID(kFilterBlockID, [self, unreported = std::move(unreported)] {
    auto engine = self->engine_.lock();
    auto database = engine ? engine->database() : nullptr;
    if (!database) return;
    for (const auto& transaction : unreported) {
      auto claim = self->claimed_.find(transaction.transactionIdentifier.value_or(""));
      if (claim == self->claimed_.end()) continue;
      if (auto result = database->deletePurchaseFingerprint(claim->second); !result) {
        Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kPurchaseFingerprintForgetFailed,
                                        "Failed to forget the fingerprint of a purchase that was not reported. "
                                        "Product ID, error",
                                        Value(transaction.payment.productIdentifier),
                                        Value(result.error().description()));
      }
      self->claimed_.erase(claim);
    }
  });
}

}  // namespace sdk::analytics

