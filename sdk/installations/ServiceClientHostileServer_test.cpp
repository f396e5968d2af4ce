// The installations service against a server that misbehaves: replies too big to hold, IDs that are
// paths, token lifetimes out of range. Each ends in a clear error, and nothing odd is stored, logged
// whole or sent on.
#include <gtest/gtest.h>

#include "platform/foundation/Json.h"
#include "sdk/installations/ServiceClient.h"
#include "sdk/installations/InstallationsErrors.h"
#include "sdk/installations/InstallationsTestSupport.h"
#include "testing/HostileServer.h"

namespace sdk::installations {

namespace {

using ostrel::testing::HostileConnection;
using ostrel::testing::HostileRequest;
using ostrel::testing::HostileServer;
using ostrel::testing::installationsPath;
using platform::foundation::Error;

constexpr const char* kFID = "dAbCdEfGhIjKlMnOpQrStU";

class InstallationsHostileServerTest : public ::testing::Test {
 protected:
  InstallationItem::Ptr item(const std::string& FID, bool registered) {
    auto made = std::make_shared<InstallationItem>(ostrel::testing::kAppID, "app");
    made->coreInstallationID = FID;
    made->registrationStatus = registered ? InstallationItem::kRegistered : InstallationItem::kUnregistered;
    if (registered) {
      made->refreshToken = "refresh-secret";
      made->authToken.emplace();
      made->authToken->token = "token";
      made->authToken->expirationDate = 1.0;
    }
    return made;
  }
  Error failureOf(const sdk::promises::Promise::Ptr& promise) {
    EXPECT_TRUE(world.settle(promise));
    EXPECT_TRUE(promise->isRejected());
    return promise->error().value_or(Error{});
  }

  const std::string tokenPath = installationsPath(std::string(kFID) + "/authTokens:generate");
  ostrel::testing::InstallationsWorld world;
  HostileServer server;
  ServiceClient service{ostrel::testing::kAPIKey, ostrel::testing::kProjectID, server.url("")};
};

TEST_F(InstallationsHostileServerTest, RepliesPastTheLimitFailAndErrorBodiesReachTheLogCut) {
  // A well-formed create reply padded far past anything the protocol needs.
  const std::string padded = R"({"refreshToken":"r","authToken":{"token":"t","expiresIn":"3600s"},"pad":")" +
                             std::string(1 << 20, 'x') + "\"}";
  server.on(installationsPath(),
            [&](const HostileRequest&, HostileConnection& c) { c.send(HostileServer::response(201, padded)); });
  const Error large = failureOf(service.registerInstallation(item(kFID, false)));
  EXPECT_EQ(large.domain, platform::net::kURLErrorDomain);
  EXPECT_EQ(large.code, platform::net::URLErrorDataLengthExceedsMaximum);

  // An error reply too big to keep still counts by its status, and its log text stays short.
  server.on(installationsPath(std::string(kFID) + "/"), [](const HostileRequest&, HostileConnection& c) {
    c.send(HostileServer::response(404, std::string(10 << 20, 'n')));
  });
  const Error missing = failureOf(service.deleteInstallation(item(kFID, true)));
  EXPECT_TRUE(InstallationsErrors::isAPIError(missing, 404));
  EXPECT_LT(InstallationsErrors::failureReasonOf(missing).size(), 1000u);

  const std::string multibyte = std::string(299, 'a') + "\xC3\xA9" + std::string(5000, 'b');
  server.on(tokenPath,
            [&](const HostileRequest&, HostileConnection& c) { c.send(HostileServer::response(500, multibyte)); });
  const Error refused = failureOf(service.refreshAuthTokenForInstallation(item(kFID, true)));
  const std::string reason = InstallationsErrors::failureReasonOf(refused);
  EXPECT_NE(reason.find(std::string(299, 'a') + "... (5301 bytes in all)"), std::string::npos)
      << "cut before the character it would split";
}

TEST_F(InstallationsHostileServerTest, AnIDThatIsAPathIsRefusedAndStoredIDsStayOneSegment) {
  server.on(installationsPath(), [](const HostileRequest&, HostileConnection& c) {
    c.send(HostileServer::response(
        201,
        R"({"fid":"../../../admin/x?y=1#frag","refreshToken":"r","authToken":{"token":"t","expiresIn":"3600s"}})"));
  });
  const Error refused = failureOf(service.registerInstallation(item(kFID, false)));
  EXPECT_EQ(InstallationsErrors::failureReasonOf(refused), "The response field with name fid is malformed");

  // An ID that came from elsewhere (an older store) still cannot leave its path segment.
  for (const char* odd : {"../../../admin/x?y=1#frag", ".."}) {
    auto promise = service.refreshAuthTokenForInstallation(item(odd, true));
    world.settle(promise);
  }
  for (const auto& request : server.requests()) {
    EXPECT_TRUE(request.target.starts_with(installationsPath())) << request.target;
    EXPECT_EQ(request.target.find('?'), std::string::npos) << request.target;
  }
  ASSERT_GE(server.requests().size(), 3u);
  EXPECT_EQ(server.requests()[1].target,
            installationsPath("%2E%2E%2F%2E%2E%2F%2E%2E%2Fadmin%2Fx%3Fy%3D1%23frag/authTokens:generate"));
  EXPECT_EQ(server.requests()[2].target, installationsPath("%2E%2E/authTokens:generate"));
}

// A lifetime that is not a number, lies in the past or is past all reason would hand out a dead token
// as good or keep one for ever: the reply is malformed, and nothing is handed out.
TEST_F(InstallationsHostileServerTest, TokenLifetimesOutOfRangeAreRefused) {
  for (const char* lifetime : {"nans", "-99999999s", "1e308s", "infs", "0x10s"}) {
    server.on(tokenPath, [lifetime](const HostileRequest&, HostileConnection& c) {
      c.send(HostileServer::response(200, std::string(R"({"token":"t","expiresIn":")") + lifetime + "\"}"));
    });
    const Error refused = failureOf(service.refreshAuthTokenForInstallation(item(kFID, true)));
    EXPECT_EQ(InstallationsErrors::failureReasonOf(refused),
              "The response field with name authToken.expiresIn is malformed")
        << lifetime;
  }
}

}  // namespace

}  // namespace sdk::installations

