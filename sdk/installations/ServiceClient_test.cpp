#include "sdk/installations/ServiceClient.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "platform/dispatch/ProcessEnd.h"

#include "sdk/core/App.h"
#include "sdk/installations/InstallationsErrors.h"
#include "sdk/installations/InstallationsHTTPError.h"
#include "sdk/installations/InstallationsTestSupport.h"

namespace sdk::installations {

namespace {

using ostrel::testing::LoopbackResponse;
using platform::foundation::Data;
using platform::foundation::Error;
using platform::foundation::Value;

class ServiceClientTest : public ::testing::Test {
 protected:
  InstallationItem::Ptr unregistered() {
    auto item = std::make_shared<InstallationItem>(ostrel::testing::kAppID, "app");
    item->coreInstallationID = "dAbCdEfGhIjKlMnOpQrStU";
    item->registrationStatus = InstallationItem::kUnregistered;
    return item;
  }
  InstallationItem::Ptr registered() {
    auto item = unregistered();
    item->refreshToken = "refresh-secret";
    item->authToken.emplace();
    item->authToken->status = 1;
    item->authToken->token = "token-secret";
    item->authToken->expirationDate = 1.0;
    item->registrationStatus = InstallationItem::kRegistered;
    return item;
  }

  ostrel::testing::InstallationsWorld world;
  ServiceClient service{ostrel::testing::kAPIKey, ostrel::testing::kProjectID, world.serviceURL()};
};

std::vector<std::string> headerNames(const platform::net::URLRequest& request) {
  std::vector<std::string> names;
  for (const auto& [name, value] : request.allHTTPHeaderFields.fields()) names.push_back(name);
  return names;
}

TEST_F(ServiceClientTest, RequestsCarryTheirPathsBodiesAndHeadersInOrder) {
  auto item = registered();
  item->IIDDefaultToken = "legacy";
  const auto create = service.registerRequestWithInstallation(*item);
  EXPECT_EQ(create.httpMethod, "POST");
  EXPECT_EQ(create.url, world.server.url(ostrel::testing::installationsPath()));
  EXPECT_EQ(headerNames(create),
            (std::vector<std::string>{"X-Vdz-Api-Key", "X-Ios-Bundle-Identifier", "Content-Type", "X-vurevore-client",
                                      "X-vurevore-client-log-type", "x-vdz-vis-ios-iid-migration-auth"}));
  EXPECT_EQ(create.valueForHTTPHeaderField("X-Vdz-Api-Key"), ostrel::testing::kAPIKey);
  EXPECT_EQ(create.valueForHTTPHeaderField("X-Ios-Bundle-Identifier"), ostrel::testing::kBundleID);
  EXPECT_EQ(create.valueForHTTPHeaderField("X-vurevore-client"), sdk::core::App::userAgentString());
  EXPECT_EQ(platform::foundation::Json::parse(std::string(create.httpBody.begin(), create.httpBody.end())),
            Value(platform::foundation::Dictionary{{"fid", item->coreInstallationID},
                                                   {"authVersion", "VIS_v2"},
                                                   {"appId", ostrel::testing::kAppID},
                                                   {"sdkVersion", "i:8.7.0"}}));

  const auto token = service.authTokenRequestWithInstallation(*item);
  EXPECT_EQ(token.url, world.server.url(ostrel::testing::installationsPath(item->coreInstallationID + "/authTokens:generate")));
  EXPECT_EQ(headerNames(token), (std::vector<std::string>{"X-Vdz-Api-Key", "X-Ios-Bundle-Identifier", "Content-Type",
                                                          "Authorization", "X-vurevore-client", "X-vurevore-client-log-type"}));
  EXPECT_EQ(token.valueForHTTPHeaderField("Authorization"), "VIS_v2 refresh-secret");
  EXPECT_EQ(std::string(token.httpBody.begin(), token.httpBody.end()), R"({"installation":{"sdkVersion":"i:8.7.0"}})");

  const auto removal = service.deleteInstallationRequestWithInstallation(*item);
  EXPECT_EQ(removal.httpMethod, "DELETE");
  EXPECT_EQ(removal.url, world.server.url(ostrel::testing::installationsPath(item->coreInstallationID + "/")));
  EXPECT_EQ(std::string(removal.httpBody.begin(), removal.httpBody.end()), "{}");
  EXPECT_EQ(removal.valueForHTTPHeaderField("Authorization"), "VIS_v2 refresh-secret");
}

TEST_F(ServiceClientTest, HeartbeatCodesGoOutOncePerDay) {
  EXPECT_EQ(service.registerRequestWithInstallation(*unregistered()).valueForHTTPHeaderField("X-vurevore-client-log-type"), "3");
  EXPECT_EQ(service.registerRequestWithInstallation(*unregistered()).valueForHTTPHeaderField("X-vurevore-client-log-type"), "0");
  world.environment.advance(86400);
  EXPECT_EQ(service.registerRequestWithInstallation(*unregistered()).valueForHTTPHeaderField("X-vurevore-client-log-type"), "3");
}

TEST_F(ServiceClientTest, RepliesAreParsedIntoItemsAndTokens) {
  const double date = 1700000000;
  auto sent = unregistered();
  auto data = [](const std::string& text) { return Data(text.begin(), text.end()); };
  auto kept = ServiceClient::registeredInstallationWithJSONData(
      *sent, data(R"({"refreshToken":"r","authToken":{"token":"t","expiresIn":"3600s"}})"), date);
  ASSERT_TRUE(kept.ok()) << kept.error();
  EXPECT_EQ((*kept)->coreInstallationID, sent->coreInstallationID) << "no fid: the sent one stays";
  EXPECT_EQ((*kept)->registrationStatus, InstallationItem::kRegistered);
  EXPECT_EQ((*kept)->authToken->expirationDate, date + 3600);
  auto replaced = ServiceClient::registeredInstallationWithJSONData(
      *sent, data(R"({"fid":"eNewFid-AbCdEfGhIjK_01","refreshToken":"r","authToken":{"token":"t","expiresIn":"s"}})"), date);
  ASSERT_TRUE(replaced.ok()) << replaced.error();
  EXPECT_EQ((*replaced)->coreInstallationID, "eNewFid-AbCdEfGhIjK_01");
  EXPECT_EQ((*replaced)->authToken->expirationDate, date) << "a unit alone is no time at all";

  // A lifetime of days is sound; what is believed of it ends a week on, when the token is asked for anew.
  for (const auto& [expiresIn, lifetime] : std::vector<std::pair<std::string, double>>{
           {"1209600s", 604800}, {"2592000s", 604800}, {"604800s", 604800}, {"3600.5s", 3600.5}, {"3.6e3s", 3600},
           // Written with a sign or a blank before it, it is the same decimal number of seconds.
           {"+3600s", 3600}, {" 3600s", 3600}, {"\t+60s", 60}, {"-0s", 0}}) {
    const Value reply(platform::foundation::Dictionary{{"token", "t"}, {"expiresIn", expiresIn}});
    auto token = ServiceClient::authTokenWithJSONDict(reply, date);
    ASSERT_TRUE(token.ok()) << expiresIn << ": " << token.error();
    EXPECT_EQ(token->expirationDate, date + lifetime) << expiresIn;
  }
  // The service may echo any ID the app could have sent: a new one, or one taken over from the older library.
  sent->coreInstallationID = "cVq4D_6SnSI";
  for (const char* fid : {"cVq4D_6SnSI", "eNewFid-AbCdEfGhIjK_01", "dOther_-9Ab"}) {
    auto echoed = ServiceClient::registeredInstallationWithJSONData(
        *sent, data(std::string(R"({"fid":")") + fid + R"(","refreshToken":"r","authToken":{"token":"t","expiresIn":"1s"}})"),
        date);
    ASSERT_TRUE(echoed.ok()) << fid << ": " << echoed.error();
    EXPECT_EQ((*echoed)->coreInstallationID, fid);
  }

  const std::pair<const char*, const char*> refused[] = {
      {"[1,2]", "Failed to serialize JSON data."},
      {"not json", "Failed to serialize JSON data."},
      {R"({"refreshToken":"","authToken":{}})", "A required response field with name refreshToken is missing"},
      {R"({"refreshToken":"r","authToken":"t"})", "A required response field with name authToken is missing"},
      {R"({"refreshToken":"r","authToken":{"expiresIn":"1s"}})", "A required response field with name authToken.token is missing"},
      {R"({"refreshToken":"r","authToken":{"token":"t"}})", "A required response field with name authToken.expiresIn is missing"},
      // A server's ID goes into later request paths; a lifetime decides when a token is trusted.
      {R"({"fid":"../../../admin/x?y=1#frag","refreshToken":"r","authToken":{"token":"t","expiresIn":"1s"}})",
       "The response field with name fid is malformed"},
      {R"({"fid":"eNewFid-AbCdEfGhIjK_012","refreshToken":"r","authToken":{"token":"t","expiresIn":"1s"}})",
       "The response field with name fid is malformed"},
      {R"({"refreshToken":"r","authToken":{"token":"t","expiresIn":"nans"}})",
       "The response field with name authToken.expiresIn is malformed"},
      {R"({"refreshToken":"r","authToken":{"token":"t","expiresIn":"-99999999s"}})",
       "The response field with name authToken.expiresIn is malformed"},
      {R"({"refreshToken":"r","authToken":{"token":"t","expiresIn":"1e308s"}})",
       "The response field with name authToken.expiresIn is malformed"},
      {R"({"refreshToken":"r","authToken":{"token":"t","expiresIn":"999999999999s"}})",
       "The response field with name authToken.expiresIn is malformed"},
      {R"({"refreshToken":"r","authToken":{"token":"t","expiresIn":"36OOs"}})",
       "The response field with name authToken.expiresIn is malformed"},
      {R"({"refreshToken":"r","authToken":{"token":"t","expiresIn":"+-36s"}})",
       "The response field with name authToken.expiresIn is malformed"},
      {R"({"refreshToken":"r","authToken":{"token":"t","expiresIn":"0x10s"}})",
       "The response field with name authToken.expiresIn is malformed"},
      {R"({"refreshToken":"r","authToken":{"token":"t","expiresIn":"+infs"}})",
       "The response field with name authToken.expiresIn is malformed"},
      {R"({"refreshToken":"r","authToken":{"token":"t","expiresIn":"  s"}})",
       "The response field with name authToken.expiresIn is malformed"},
      {R"({"fid":"dOther_-9A","refreshToken":"r","authToken":{"token":"t","expiresIn":"1s"}})",
       "The response field with name fid is malformed"},
  };
  for (const auto& [body, reason] : refused) {
    auto refusal = ServiceClient::registeredInstallationWithJSONData(*sent, data(body), date);
    ASSERT_FALSE(refusal.ok()) << body;
    EXPECT_EQ(InstallationsErrors::failureReasonOf(refusal.error()), reason) << body;
    EXPECT_EQ(refusal.error().code, 0);
  }
}

TEST_F(ServiceClientTest, OnlyA500IsTriedOnceMore) {
  const std::string create = ostrel::testing::installationsPath();
  struct Case {
    std::vector<LoopbackResponse> replies;
    bool succeeds;
    std::size_t requests;
    std::int64_t status;
  };
  const Case cases[] = {
      {{LoopbackResponse::withStatus(500), ostrel::testing::createdReply("r", "t")}, true, 2, 0},
      {{LoopbackResponse::withStatus(500), LoopbackResponse::withStatus(500, "second")}, false, 2, 500},
      {{LoopbackResponse::withStatus(503), ostrel::testing::createdReply("r", "t")}, false, 1, 503},
      {{LoopbackResponse::withStatus(404, "no such project")}, false, 1, 404},
  };
  for (const auto& c : cases) {
    world.server.clearRequests();
    world.server.onSequence("POST", create, c.replies);
    auto promise = service.registerInstallation(unregistered());
    ASSERT_TRUE(world.settle(promise));
    EXPECT_EQ(promise->isFulfilled(), c.succeeds);
    EXPECT_EQ(world.server.requestCount(), c.requests);
    if (!c.succeeds) {
      EXPECT_TRUE(InstallationsErrors::isAPIError(*promise->error(), c.status));
      EXPECT_NE(InstallationsErrors::failureReasonOf(*promise->error()).find("HTTP status code: " + std::to_string(c.status)),
                std::string::npos);
    }
  }
}

// An archive that names the class of a service error but holds no reply.
class ReplyWithoutHead final : public platform::foundation::KeyedCodable {
 public:
  std::string className() const override { return InstallationsHTTPError::kClassName; }
  void encodeWithCoder(platform::foundation::KeyedArchiver& coder) const override {
    coder.encodeObject(Value::data(Data{'x'}), "data");
  }
};

TEST_F(ServiceClientTest, AServiceErrorCarriesItsWholeReplyAndArchivesWithIt) {
  auto reply = LoopbackResponse::withStatus(403, "{\"error\":\"project suspended\"}");
  reply.contentType = "application/json";
  world.server.on("POST", ostrel::testing::installationsPath(), reply);
  auto promise = service.registerInstallation(unregistered());
  ASSERT_TRUE(world.settle(promise));
  ASSERT_TRUE(promise->isRejected());
  const Error error = *promise->error();
  const auto carried = InstallationsHTTPError::of(error);
  ASSERT_NE(carried, nullptr);
  EXPECT_EQ(carried->HTTPResponse.statusCode, 403);
  EXPECT_EQ(carried->HTTPResponse.url, world.server.url(ostrel::testing::installationsPath()));
  EXPECT_EQ(carried->HTTPResponse.valueForHTTPHeaderField("content-type"), "application/json");
  EXPECT_EQ(std::string(carried->data.begin(), carried->data.end()), "{\"error\":\"project suspended\"}");

  InstallationsHTTPError::registerArchiveClasses();
  using platform::foundation::KeyedArchive;
  const auto archive = KeyedArchive::archivedData(Value(std::make_shared<InstallationsHTTPError>(*carried)));
  ASSERT_TRUE(archive.has_value());
  platform::foundation::Error failure;
  const auto read = KeyedArchive::unarchivedObject({InstallationsHTTPError::kClassName}, *archive, &failure)
                        .objectAs<InstallationsHTTPError>();
  ASSERT_NE(read, nullptr) << failure;
  EXPECT_TRUE(read->isEqual(*carried));
  EXPECT_EQ(read->error(), error) << "the same error again";
  EXPECT_TRUE(InstallationsErrors::isAPIError(read->error(), 403));

  const auto headless = KeyedArchive::archivedData(Value(std::make_shared<ReplyWithoutHead>()));
  ASSERT_TRUE(headless.has_value());
  EXPECT_TRUE(KeyedArchive::unarchivedObject({InstallationsHTTPError::kClassName}, *headless).isNil());
}

// The app may end while a registration is at the server: the end waits for its answer (within its
// bound), so the installation the server made is the one the device keeps.
TEST_F(ServiceClientTest, TheAppsEndWaitsForTheAnswerOfARequestOnItsWay) {
  std::mutex mutex;
  std::condition_variable changed;
  bool ending = false;
  world.server.on("POST", ostrel::testing::installationsPath(), [&](const ostrel::testing::LoopbackRequest&) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return ending; });
    return ostrel::testing::createdReply("r", "t");
  });
  auto promise = service.registerInstallation(unregistered());
  ASSERT_TRUE(world.server.waitForRequests(1));
  EXPECT_TRUE(platform::dispatch::ProcessEnd::hasWorkInFlight());
  // The server answers only once the end has begun.
  auto answer = platform::dispatch::ProcessEnd::add(platform::dispatch::ProcessEnd::kComponents, "test", [&] {
    std::lock_guard lock(mutex);
    ending = true;
    changed.notify_all();
  });
  EXPECT_TRUE(platform::dispatch::ProcessEnd::run());
  platform::dispatch::ProcessEnd::resetForTesting();
  EXPECT_FALSE(promise->isPending()) << "the end did not wait for the answer";
  ASSERT_TRUE(world.settle(promise));
  EXPECT_TRUE(promise->isFulfilled());
  EXPECT_FALSE(platform::dispatch::ProcessEnd::hasWorkInFlight());
}

TEST_F(ServiceClientTest, NothingIsSentForAnInvalidItemOrWithoutAnAddress) {
  auto item = unregistered();
  item->coreInstallationID.clear();
  auto invalid = service.registerInstallation(item);
  world.settle(invalid);
  ASSERT_TRUE(invalid->isRejected());
  EXPECT_NE(InstallationsErrors::failureReasonOf(*invalid->error()).find("`vurevoreInstallationID` must not be empty"),
            std::string::npos);

  ServiceClient unconfigured(ostrel::testing::kAPIKey, ostrel::testing::kProjectID, "");
  auto nowhere = unconfigured.registerInstallation(unregistered());
  world.settle(nowhere);
  ASSERT_TRUE(nowhere->isRejected());
  EXPECT_NE(InstallationsErrors::failureReasonOf(*nowhere->error()).find("INSTALLATIONS_SERVICE_URL"), std::string::npos);
  EXPECT_EQ(world.server.requestCount(), 0u);
}

TEST_F(ServiceClientTest, ATokenAndADeleteReachTheServer) {
  world.server.on("POST", ostrel::testing::installationsPath("dAbCdEfGhIjKlMnOpQrStU/authTokens:generate"),
                  ostrel::testing::tokenReply("fresh-token", "7200s"));
  auto refreshed = service.refreshAuthTokenForInstallation(registered());
  ASSERT_TRUE(world.settle(refreshed));
  auto item = refreshed->value().objectAs<InstallationItem>();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->authToken->token, "fresh-token");
  EXPECT_EQ(item->authToken->expirationDate, world.environment.clock()->now() + 7200);
  EXPECT_EQ(world.server.requests().back().header("Authorization"), "VIS_v2 refresh-secret");

  world.server.on("DELETE", ostrel::testing::installationsPath("dAbCdEfGhIjKlMnOpQrStU/"), LoopbackResponse::ok());
  auto deleted = service.deleteInstallation(registered());
  ASSERT_TRUE(world.settle(deleted));
  EXPECT_TRUE(deleted->isFulfilled());
  EXPECT_EQ(world.server.requests().back().body, "{}");
}

}  // namespace

}  // namespace sdk::installations

