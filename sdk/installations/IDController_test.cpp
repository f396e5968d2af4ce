#include "sdk/installations/IDController.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/PreferencesDomain.h"
#include "platform/foundation/PropertyList.h"
#include "platform/log/Log.h"
#include "platform/security/Keychain.h"
#include "sdk/installations/InstallationsMessageCodes.h"
#include "sdk/core/App.h"
#include "sdk/installations/InstallationsErrors.h"
#include "sdk/installations/LegacyInstanceIDTestSupport.h"
#include "sdk/installations/InstallationsTestSupport.h"
#include "sdk/installations/StoredInstallationItem.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"
#include "testing/FileContents.h"

namespace sdk::installations {

namespace {

using ostrel::testing::ChangeNotifications;
using ostrel::testing::LoopbackResponse;
using platform::foundation::Value;

class IDControllerTest : public ::testing::Test {
 protected:
  IDControllerTest() {
    world.server.on("POST", ostrel::testing::installationsPath(), ostrel::testing::createdReply("refresh-1", "token-1"));
  }
  InstallationItem::Ptr awaitItem(const sdk::promises::Promise::Ptr& promise) {
    EXPECT_TRUE(world.settle(promise));
    if (promise->isRejected()) ADD_FAILURE() << *promise->error();
    return promise->isFulfilled() ? promise->value().objectAs<InstallationItem>() : nullptr;
  }
  std::size_t creates() const { return world.requestsTo("POST", ostrel::testing::installationsPath()); }
  std::size_t tokenRequests(const std::string& fid) const {
    return world.requestsTo("POST", ostrel::testing::installationsPath(fid + "/authTokens:generate"));
  }

  ostrel::testing::InstallationsWorld world;
};

TEST_F(IDControllerTest, AnIDIsCreatedOnceRegisteredInTheBackgroundAndThenKept) {
  ChangeNotifications changes("test-app");
  auto controller = world.newController();
  auto first = controller->getInstallationItem();
  EXPECT_EQ(controller->getInstallationItem(), first) << "concurrent callers share one operation";
  auto item = awaitItem(first);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->coreInstallationID.size(), 22u);
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(creates(), 1u) << "one registration for both callers";

  // A new launch: a new store and controller find the registered installation without a request.
  world.server.clearRequests();
  auto relaunched = world.newController();
  auto again = awaitItem(relaunched->getInstallationItem());
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->coreInstallationID, item->coreInstallationID);
  EXPECT_EQ(again->registrationStatus, InstallationItem::kRegistered);
  auto token = awaitItem(relaunched->getAuthTokenForcingRefresh(false));
  ASSERT_NE(token, nullptr);
  EXPECT_EQ(token->authToken->token, "token-1");
  EXPECT_EQ(world.server.requestCount(), 0u);
  EXPECT_EQ(changes.count(), 1);
}

TEST_F(IDControllerTest, ATokenIsRefreshedOnlyWhenLessThanAnHourIsLeft) {
  world.server.on("POST", ostrel::testing::installationsPath(), ostrel::testing::createdReply("refresh-1", "token-1", "7200s"));
  auto controller = world.newController();
  auto item = awaitItem(controller->getAuthTokenForcingRefresh(false));
  ASSERT_NE(item, nullptr);
  const std::string fid = item->coreInstallationID;
  world.server.on("POST", ostrel::testing::installationsPath(fid + "/authTokens:generate"), ostrel::testing::tokenReply("token-2", "7200s"));

  const double issued = *item->authToken->expirationDate - 7200;
  world.environment.advance(issued + 3600 - world.environment.clock()->now());  // exactly an hour left
  EXPECT_EQ(awaitItem(controller->getAuthTokenForcingRefresh(false))->authToken->token, "token-1");
  EXPECT_EQ(tokenRequests(fid), 0u);
  world.environment.advance(1);  // 3599 seconds left
  EXPECT_EQ(awaitItem(controller->getAuthTokenForcingRefresh(false))->authToken->token, "token-2");
  EXPECT_EQ(tokenRequests(fid), 1u);
  EXPECT_EQ(world.server.requests().back().header("Authorization"), "VIS_v2 refresh-1");
  EXPECT_EQ(awaitItem(controller->getAuthTokenForcingRefresh(true))->authToken->token, "token-2");
  EXPECT_EQ(tokenRequests(fid), 2u) << "forced, though fresh";
}

// A service may hand out tokens for weeks: the token is kept from start to start, and asked for anew
// before the week that is believed of it ends.
TEST_F(IDControllerTest, ATokenOfWeeksIsKeptAndAskedForAnewWithinAWeek) {
  world.server.on("POST", ostrel::testing::installationsPath(),
                  ostrel::testing::createdReply("refresh-1", "token-1", "1209600s"));
  auto item = awaitItem(world.newController()->getAuthTokenForcingRefresh(false));
  ASSERT_NE(item, nullptr);
  const std::string fid = item->coreInstallationID;
  EXPECT_EQ(item->authToken->token, "token-1");
  world.server.on("POST", ostrel::testing::installationsPath(fid + "/authTokens:generate"),
                  ostrel::testing::tokenReply("token-2", "2592000s"));

  world.environment.advance(6 * 86400);
  EXPECT_EQ(awaitItem(world.newController()->getAuthTokenForcingRefresh(false))->authToken->token, "token-1");
  EXPECT_EQ(creates(), 1u) << "the next start finds it registered";
  EXPECT_EQ(tokenRequests(fid), 0u);
  world.environment.advance(23 * 3600 + 1);  // less than an hour left of the week
  EXPECT_EQ(awaitItem(world.newController()->getAuthTokenForcingRefresh(false))->authToken->token, "token-2");
  EXPECT_EQ(tokenRequests(fid), 1u);
  EXPECT_EQ(creates(), 1u);
}

TEST_F(IDControllerTest, AForcedRefreshInFlightServesPlainRequestsToo) {
  auto controller = world.newController();
  auto item = awaitItem(controller->getInstallationItem());
  const std::string fid = item->coreInstallationID;
  world.server.on("POST", ostrel::testing::installationsPath(fid + "/authTokens:generate"), ostrel::testing::tokenReply("token-2", "7200s"));
  auto forced = controller->getAuthTokenForcingRefresh(true);
  EXPECT_EQ(controller->getAuthTokenForcingRefresh(false), forced);
  EXPECT_EQ(controller->getAuthTokenForcingRefresh(true), forced);
  EXPECT_EQ(awaitItem(forced)->authToken->token, "token-2");
  EXPECT_EQ(tokenRequests(fid), 1u);
}

TEST_F(IDControllerTest, ARejectedRefreshTokenStartsANewInstallation) {
  for (int status : {401, 404}) {
    ostrel::testing::TempContainer fresh;
    world.server.clearRequests();
    world.server.on("POST", ostrel::testing::installationsPath(), ostrel::testing::createdReply("refresh-1", "token-1", "7200s"));
    auto controller = world.newController();
    const std::string oldFID = awaitItem(controller->getInstallationItem())->coreInstallationID;
    world.environment.advance(3601);  // the token is due for a refresh
    world.server.on("POST", ostrel::testing::installationsPath(oldFID + "/authTokens:generate"), LoopbackResponse::withStatus(status));
    world.server.on("POST", ostrel::testing::installationsPath(), ostrel::testing::createdReply("refresh-2", "token-2"));
    ChangeNotifications changes("test-app");
    auto renewed = awaitItem(controller->getAuthTokenForcingRefresh(false));
    ASSERT_NE(renewed, nullptr) << status;
    EXPECT_NE(renewed->coreInstallationID, oldFID);
    EXPECT_EQ(renewed->authToken->token, "token-2");
    EXPECT_EQ(changes.count(), 2) << "the old one deleted, the new one made";
    EXPECT_EQ(creates(), 2u);
  }
}

TEST_F(IDControllerTest, ARegistrationRefusedAs404FailsWithoutStartingOver) {
  world.server.on("POST", ostrel::testing::installationsPath(), LoopbackResponse::withStatus(404, "no such project"));
  ChangeNotifications changes("test-app");
  auto controller = world.newController();
  auto token = controller->getAuthTokenForcingRefresh(false);
  ASSERT_TRUE(world.settle(token));
  ASSERT_TRUE(token->isRejected());
  EXPECT_TRUE(InstallationsErrors::isAPIError(*token->error(), 404));
  EXPECT_EQ(creates(), 1u) << "no loop of new installations";
  EXPECT_EQ(changes.count(), 1);
  auto again = controller->getAuthTokenForcingRefresh(false);
  world.settle(again);
  EXPECT_EQ(creates(), 2u) << "a later call asks again, with the same installation";
  EXPECT_EQ(changes.count(), 1);
}

// A refused registration is written line by line as the product words it, the reason's lines with it;
// what the service sent stays within its own line, its line feeds and a terminal's escapes written out.
TEST_F(IDControllerTest, ARefusedRegistrationKeepsItsLinesAndTheServicesBodyStartsNone) {
  const std::string forged = "2026-12-08 10:00:00 error ProcessEnd: every stored event was deleted";
  world.server.on("POST", ostrel::testing::installationsPath(),
                  LoopbackResponse::withStatus(400, "bad request\n" + forged + "\r\n\x1b[2Jend"));
  ostrel::testing::LoggedLines log;
  EXPECT_TRUE(world.settle(world.newController()->getAuthTokenForcingRefresh(false)));
  std::vector<std::string> failures;
  for (const auto& line : log.lines()) {
    if (line.level == platform::log::Error && line.message.find(messages::kRegistrationFailed) != std::string::npos) {
      failures.push_back(line.message);
    }
  }
  ASSERT_EQ(failures.size(), 1u);
  const std::string expected =
      "] Vurevore Installation registration failed for app with name: test-app, error:\n"
      "The server responded with an error: \n - URL: " + world.server.url(ostrel::testing::installationsPath()) +
      " \n - HTTP status code: 400 \n - Response body: bad request\\n" + forged + "\\r\\n\\x1B[2Jend\n"
      "Please make sure you use valid VadezeService-Info.plist";
  EXPECT_TRUE(failures[0].ends_with(expected)) << failures[0];
}

TEST_F(IDControllerTest, A403BlocksRequestsForADay) {
  world.server.on("POST", ostrel::testing::installationsPath(), LoopbackResponse::withStatus(403));
  auto controller = world.newController();
  world.settle(controller->getAuthTokenForcingRefresh(false));
  EXPECT_EQ(creates(), 1u);
  auto blocked = controller->getAuthTokenForcingRefresh(false);
  world.settle(blocked);
  ASSERT_TRUE(blocked->isRejected());
  EXPECT_EQ(blocked->error()->code, 2);
  EXPECT_EQ(InstallationsErrors::failureReasonOf(*blocked->error()), "Too many server requests.");
  EXPECT_EQ(creates(), 1u);
  world.server.on("POST", ostrel::testing::installationsPath(), ostrel::testing::createdReply("refresh-1", "token-1"));
  world.environment.advance(86400);
  EXPECT_NE(awaitItem(controller->getAuthTokenForcingRefresh(false)), nullptr);
  EXPECT_EQ(creates(), 2u);
}

// A service failing in any way (an error status, garbage, a reset connection) is one warning per series of
// failures, saying when requests go again; the success that ends the series says so.
TEST_F(IDControllerTest, AFailingServiceIsOneWarningPerSeries) {
  ostrel::testing::LoggedLines log;
  const auto said = [&](const char* code, int level) {
    std::vector<std::string> found;
    for (const auto& line : log.lines()) {
      if (line.level == level && line.message.find(code) != std::string::npos) found.push_back(line.message);
    }
    return found;
  };
  const auto ask = [&](const IDController::Ptr& controller, bool refresh = false) {
    auto token = controller->getAuthTokenForcingRefresh(refresh);
    world.settle(token);
    return token;
  };
  world.server.onSequence("POST", ostrel::testing::installationsPath(),
                          {LoopbackResponse::withStatus(503), LoopbackResponse::ok("not json"),
                           LoopbackResponse::withStatus(500), ostrel::testing::createdReply("refresh-1", "token-1")});
  auto controller = world.newController();
  for (int attempt = 0; attempt < 5 && creates() < 4; ++attempt) {
    ask(controller);
    world.environment.advance(BackoffController::kMaxRecoverableInterval);
  }
  ASSERT_EQ(creates(), 4u);
  auto warnings = said(messages::kRequestSeriesFailed, platform::log::Warning);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("failed (status 503); requests wait about "), std::string::npos) << warnings[0];
  const auto ended = said(messages::kRequestSeriesEnded, platform::log::Notice);
  ASSERT_EQ(ended.size(), 1u);
  // The 500 is retried at once by the client itself, and that retry is the success.
  EXPECT_NE(ended[0].find("after 2 failed attempts"), std::string::npos) << ended[0];

  // A connection the service drops begins a new series.
  const std::string fid = awaitItem(controller->getInstallationItem())->coreInstallationID;
  world.server.on("POST", ostrel::testing::installationsPath(fid + "/authTokens:generate"), LoopbackResponse::dropped());
  EXPECT_TRUE(ask(controller, true)->isRejected());
  EXPECT_TRUE(ask(controller, true)->isRejected());
  warnings = said(messages::kRequestSeriesFailed, platform::log::Warning);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[1].find("the next request tries again"), std::string::npos) << warnings[1];
}

// A reply that cannot be read fails like any other, and the warning says why: not JSON, not an object,
// empty, or a field missing, in a registration's reply as in a token's; the success after a single
// failure says so in the singular.
TEST_F(IDControllerTest, AnUnreadableReplyIsWarnedOfWithItsReason) {
  const auto warned = [](const ostrel::testing::LoggedLines& log, const std::string& reason) {
    for (const auto& line : log.lines()) {
      if (line.level == platform::log::Warning && line.message.find(messages::kRequestSeriesFailed) != std::string::npos &&
          line.message.find("failed (" + reason + ")") != std::string::npos) {
        return true;
      }
    }
    return false;
  };
  const std::pair<const char*, std::string> replies[] = {
      {"not json", "Failed to serialize JSON data."},
      {"[1,2]", "Failed to serialize JSON data."},
      {"", "Failed to serialize JSON data."},
      {"{}", "A required response field with name refreshToken is missing"},
      {R"({"refreshToken":"r","authToken":{"token":"t"}})", "A required response field with name authToken.expiresIn is missing"},
  };
  for (const auto& [body, reason] : replies) {
    ostrel::testing::LoggedLines log;
    world.server.on("POST", ostrel::testing::installationsPath(), LoopbackResponse::ok(body));
    EXPECT_TRUE(world.settle(world.newController()->getAuthTokenForcingRefresh(false)));
    EXPECT_TRUE(warned(log, reason)) << body;
  }

  world.server.on("POST", ostrel::testing::installationsPath(), ostrel::testing::createdReply("refresh-1", "token-1"));
  auto controller = world.newController();
  const std::string fid = awaitItem(controller->getAuthTokenForcingRefresh(false))->coreInstallationID;
  ostrel::testing::LoggedLines log;
  world.server.on("POST", ostrel::testing::installationsPath(fid + "/authTokens:generate"), LoopbackResponse::ok("{}"));
  EXPECT_TRUE(world.settle(controller->getAuthTokenForcingRefresh(true)));
  EXPECT_TRUE(warned(log, "A required response field with name authToken.token is missing"));
  // The token that comes next ends the series of one failure.
  world.server.on("POST", ostrel::testing::installationsPath(fid + "/authTokens:generate"), ostrel::testing::tokenReply("token-2"));
  EXPECT_NE(awaitItem(controller->getAuthTokenForcingRefresh(true)), nullptr);
  EXPECT_TRUE(log.contains("work again after 1 failed attempt")) << "one attempt";
  EXPECT_FALSE(log.contains("1 failed attempts"));
}

TEST_F(IDControllerTest, DeletingARegisteredInstallationForgetsItEvenWhenTheServiceHasAlready) {
  world.server.on("DELETE", "", LoopbackResponse::withStatus(404));
  auto controller = world.newController();
  const std::string fid = awaitItem(controller->getAuthTokenForcingRefresh(false))->coreInstallationID;
  world.server.on("DELETE", ostrel::testing::installationsPath(fid + "/"), LoopbackResponse::withStatus(404));
  ChangeNotifications changes("test-app");
  auto deleted = controller->deleteInstallation();
  ASSERT_TRUE(world.settle(deleted));
  EXPECT_TRUE(deleted->isFulfilled()) << deleted->description();
  EXPECT_EQ(world.requestsTo("DELETE", ostrel::testing::installationsPath(fid + "/")), 1u);
  EXPECT_EQ(changes.count(), 1);
  EXPECT_TRUE(sdk::utilities::UserDefaultsStore(InstallationStore::kUserDefaultsSuiteName)
                  .objectForKey(InstallationItem::identifierWithAppID(ostrel::testing::kAppID, "test-app"))
                  .isNil());
  Value left;
  EXPECT_EQ(platform::security::Keychain::copyMatching(
                Value(platform::foundation::Dictionary{
                    {platform::security::Keychain::kClass, Value(platform::security::Keychain::kClassGenericPassword)},
                    {platform::security::Keychain::kService, Value(IDController::kKeychainService)}}),
                &left),
            platform::security::kStatusItemNotFound);
  auto next = awaitItem(world.newController()->getInstallationItem());
  ASSERT_NE(next, nullptr);
  EXPECT_NE(next->coreInstallationID, fid);
}

TEST_F(IDControllerTest, OtherDeleteFailuresKeepTheInstallation) {
  auto controller = world.newController();
  const std::string fid = awaitItem(controller->getAuthTokenForcingRefresh(false))->coreInstallationID;
  world.server.on("DELETE", ostrel::testing::installationsPath(fid + "/"), LoopbackResponse::withStatus(500));
  auto deleted = controller->deleteInstallation();
  world.settle(deleted);
  ASSERT_TRUE(deleted->isRejected());
  EXPECT_EQ(awaitItem(world.newController()->getInstallationItem())->coreInstallationID, fid);
}

TEST_F(IDControllerTest, TheDefaultAppTakesOverTheLegacyIdentifierAndDeletesItWithTheInstallation) {
  ostrel::testing::writeLegacyMarker(true);
  ostrel::testing::writeLegacyKey(LegacyInstanceIDStore::kPublicKeyTagPrefix, "legacy-public-key");
  ostrel::testing::writeLegacyKey(LegacyInstanceIDStore::kPrivateKeyTagPrefix, "legacy-private-key");
  ostrel::testing::writeLegacyToken(LegacyInstanceIDTokenStore(ostrel::testing::kSenderID), "legacy-default-token");

  auto other = awaitItem(world.newController("other-app")->getAuthTokenForcingRefresh(false));
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other->coreInstallationID, "cVq4D_6SnSI") << "only the default app migrates";
  EXPECT_FALSE(world.server.requests().back().header("x-vdz-vis-ios-iid-migration-auth").has_value());

  // The service answers with the ID it was sent, which has the older library's form.
  world.server.clearRequests();
  world.server.on("POST", ostrel::testing::installationsPath(),
                  ostrel::testing::createdReply("refresh-1", "token-1", "3600s", "cVq4D_6SnSI"));
  auto controller = world.newController(sdk::core::App::kDefaultAppName);
  auto item = awaitItem(controller->getAuthTokenForcingRefresh(false));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->coreInstallationID, "cVq4D_6SnSI");
  EXPECT_EQ(item->registrationStatus, InstallationItem::kRegistered);
  EXPECT_EQ(world.server.requests().back().header("x-vdz-vis-ios-iid-migration-auth"), "legacy-default-token");
  EXPECT_EQ(awaitItem(controller->getAuthTokenForcingRefresh(false))->authToken->token, "token-1");
  EXPECT_EQ(creates(), 1u) << "registered once";

  world.server.on("DELETE", ostrel::testing::installationsPath("cVq4D_6SnSI/"), LoopbackResponse::ok());
  ASSERT_TRUE(world.settle(controller->deleteInstallation()));
  EXPECT_FALSE(platform::foundation::PropertyList::readFile(LegacyInstanceIDStore::plistPath())
                   .contains(LegacyInstanceIDStore::kMarkerKey));
  auto legacy = LegacyInstanceIDStore().existingIID();
  world.settle(legacy);
  EXPECT_TRUE(legacy->isRejected()) << "gone with the installation";
}

// --- what a new installation must not write over ---------------------------------------------------

std::string recordFile() {
  for (const auto& entry : std::filesystem::directory_iterator(platform::security::Keychain::folder())) {
    if (entry.path().extension() == ".item") return entry.path().string();
  }
  return {};
}

TEST_F(IDControllerTest, ARecordWhoseValueDoesNotDecodeIsKeptAsideAndNamedBeforeANewIDTakesItsPlace) {
  auto first = awaitItem(world.newController()->getInstallationItem());
  ASSERT_NE(first, nullptr);
  const std::string file = recordFile();
  ASSERT_FALSE(file.empty());
  const platform::foundation::Data damaged{'b', 'p', 'l', 'i', 's', 't', '0', '0', 0xff, 0x13};
  using platform::security::Keychain;
  ASSERT_EQ(Keychain::update(Value(platform::foundation::Dictionary{{Keychain::kClass, Value(Keychain::kClassGenericPassword)},
                                                                    {Keychain::kService, Value(IDController::kKeychainService)}}),
                             Value(platform::foundation::Dictionary{{Keychain::kValueData, Value::data(damaged)}})),
            platform::security::kStatusSuccess);

  ostrel::testing::LoggedLines log;
  auto next = awaitItem(world.newController()->getInstallationItem());
  ASSERT_NE(next, nullptr);
  EXPECT_NE(next->coreInstallationID, first->coreInstallationID) << "the old value cannot be read";
  const auto kept = ostrel::testing::damagedCopiesOf(file);
  ASSERT_EQ(kept.size(), 1u) << "the damaged value was written over";
  EXPECT_EQ(*platform::foundation::PropertyList::readFile(kept[0])[Keychain::kValueData].data(), damaged);
  EXPECT_TRUE(log.contains("The value of keychain item " + std::string(IDController::kKeychainService) + " " +
                           first->identifier() + " could not be read; it is kept as " + kept[0]));
  EXPECT_EQ(awaitItem(world.newController()->getInstallationItem())->coreInstallationID, next->coreInstallationID)
      << "the new record reads back";
}

// A marker lost with a damaged preferences file (torn, empty, garbage) is no sign of a reinstall: the
// record beside it is this install's, so its ID is kept, nothing is registered again, and the marker is
// written again for the next launch.
TEST_F(IDControllerTest, ARecordWhoseMarkerWentWithADamagedPreferenceFileKeepsItsIDAndIsMarkedAgain) {
  StoredInstallationItem::registerArchiveClasses();
  for (const std::string_view damage : {std::string_view("bplist00 torn"), std::string_view(), std::string_view("\x01\xfe<plist")}) {
    SCOPED_TRACE(std::string(damage));
    ostrel::testing::TempContainer fresh;
    world.server.clearRequests();
    // A registered record an earlier launch stored, and its markers' file damaged since: this process
    // has not read the markers yet, as at a launch.
    auto stored = std::make_shared<InstallationItem>(ostrel::testing::kAppID, "test-app");
    stored->coreInstallationID = "cStoredBeforeTheDamage";
    stored->registrationStatus = InstallationItem::kRegistered;
    stored->refreshToken = "refresh-0";
    StoredAuthToken token;
    token.status = StoredAuthToken::kStatusTokenFetched;
    token.token = "token-0";
    token.expirationDate = world.environment.clock()->now() + 7 * 86400.0;
    stored->authToken = token;
    sdk::utilities::KeychainStorage keychain(IDController::kKeychainService);
    ASSERT_TRUE(world.settle(keychain.setObject(Value(stored->storedItem()), stored->identifier(), std::nullopt)));
    const std::string markers =
        platform::foundation::PreferencesDomain::named(InstallationStore::kUserDefaultsSuiteName)->path();
    ASSERT_TRUE(platform::foundation::AtomicFile::createDirectories(std::filesystem::path(markers).parent_path().string()).ok());
    ASSERT_TRUE(platform::foundation::AtomicFile::writeAtomically(markers, damage).ok());

    ostrel::testing::LoggedLines log;
    auto item = awaitItem(world.newController()->getAuthTokenForcingRefresh(false));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->coreInstallationID, "cStoredBeforeTheDamage");
    EXPECT_EQ(item->authToken->token, "token-0");
    EXPECT_EQ(world.server.requestCount(), 0u) << "registered again";
    EXPECT_TRUE(ostrel::testing::damagedCopiesOf(recordFile()).empty());
    const auto kept = ostrel::testing::damagedCopiesOf(markers);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(platform::foundation::PropertyList::readFile(markers).contains(stored->identifier()))
        << "the marker is not on disk again";
    EXPECT_TRUE(log.contains("The installation " + stored->identifier() + " lost its marker with the damaged preferences file " +
                             kept[0] + "; its record is intact, so the installation is kept and marked again"));
  }
}

// A service that refuses every refresh token, with 401 or 404, gets one new installation for the call
// that met the refusal, not one after another: the new one's refusal fails the call and is backed off as
// any failure is, and later calls make no installation of their own.
TEST_F(IDControllerTest, ARefreshTokenRefusedAgainAfterOneNewInstallationFailsTheCallAndWaits) {
  const auto serverFID = [](int n) { return "cServerChosenFID00000" + std::to_string(n); };
  for (int status : {401, 404}) {
    SCOPED_TRACE(status);
    ostrel::testing::TempContainer fresh;
    world.server.clearRequests();
    std::vector<LoopbackResponse> created;
    for (int n = 1; n <= 3; ++n) {
      // Tokens too short-lived to hand out: each is refreshed at once.
      created.push_back(ostrel::testing::createdReply("refresh-" + std::to_string(n), "token", "60s", serverFID(n)));
      world.server.on("POST", ostrel::testing::installationsPath(serverFID(n) + "/authTokens:generate"),
                      LoopbackResponse::withStatus(status));
    }
    world.server.onSequence("POST", ostrel::testing::installationsPath(), created);
    auto backoff = std::make_shared<BackoffController>();
    auto controller = world.newController("test-app", backoff);

    auto token = controller->getAuthTokenForcingRefresh(false);
    ASSERT_TRUE(world.settle(token));
    ASSERT_TRUE(token->isRejected());
    EXPECT_TRUE(InstallationsErrors::isAPIError(*token->error(), status));
    EXPECT_EQ(creates(), 2u) << "the first installation and one made anew";
    EXPECT_EQ(tokenRequests(serverFID(1)), 1u);
    EXPECT_EQ(tokenRequests(serverFID(2)), 1u);
    ASSERT_TRUE(backoff->lastEventData());
    EXPECT_EQ(backoff->lastEventData()->eventType, BackoffPolicy::kRecoverableError);
    EXPECT_EQ(awaitItem(controller->getInstallationItem())->coreInstallationID, serverFID(2));

    ChangeNotifications changes("test-app");
    for (std::int64_t later = 2; later <= 4; ++later) {
      world.environment.advance(BackoffController::kMaxRecoverableInterval);
      auto again = controller->getAuthTokenForcingRefresh(later % 2 == 0);
      world.settle(again);
      EXPECT_TRUE(again->isRejected());
      EXPECT_EQ(backoff->lastEventData()->eventCount, later) << "the wait grows as for any failure";
    }
    EXPECT_EQ(creates(), 2u);
    EXPECT_EQ(tokenRequests(serverFID(2)), 4u) << "one request a call once the wait is over";
    EXPECT_EQ(changes.count(), 0) << "the ID changed after the first new installation";
    auto refused = controller->getAuthTokenForcingRefresh(false);
    world.settle(refused);
    ASSERT_TRUE(refused->isRejected());
    EXPECT_EQ(refused->error()->code, 2) << "asked again at once";
    EXPECT_EQ(tokenRequests(serverFID(2)), 4u);
  }
}

TEST(BackoffControllerTest, WaitsGrowWithEachRecoverableFailureAndASuccessClearsThem) {
  double now = 1000;
  BackoffController backoff([&] { return now; });
  EXPECT_TRUE(backoff.isNextRequestAllowed());
  for (int i = 0; i < 3; ++i) backoff.registerEvent(BackoffPolicy::kRecoverableError);
  const double wait = backoff.lastEventData()->backoffTimeInterval;
  EXPECT_GE(wait, 8.0);
  EXPECT_LT(wait, 9.0);
  now += 7.999;
  EXPECT_FALSE(backoff.isNextRequestAllowed());
  now += 1.001;
  EXPECT_TRUE(backoff.isNextRequestAllowed());
  for (int i = 0; i < 100; ++i) backoff.registerEvent(BackoffPolicy::kRecoverableError);
  EXPECT_EQ(backoff.lastEventData()->backoffTimeInterval, 1800);
  backoff.registerEvent(BackoffPolicy::kUnrecoverableError);
  EXPECT_EQ(backoff.lastEventData()->eventCount, 1);
  now += 86399;
  EXPECT_FALSE(backoff.isNextRequestAllowed());
  backoff.registerEvent(BackoffPolicy::kSuccess);
  EXPECT_TRUE(backoff.isNextRequestAllowed());
}

TEST(SingleOperationPromiseCacheTest, AMissingHandlerIsRefused) {
  EXPECT_THROW(SingleOperationPromiseCache(nullptr), platform::foundation::Exception);
}

}  // namespace

}  // namespace sdk::installations

