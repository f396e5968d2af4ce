// HTTPS against a loopback server whose self-signed certificate the test made: refused by default,
// accepted when the delegate trusts exactly that certificate, ended when the delegate cancels.
#include "platform/net/ServerTrust.h"

#include <gtest/gtest.h>

#include "platform/dispatch/MainLoop.h"
#include "platform/net/URLSession.h"
#include "testing/HostileServer.h"
#include "testing/TempContainer.h"
#include "testing/TlsIdentity.h"

namespace platform::net {
namespace {

using dispatch::MainLoop;
using ostrel::testing::HostileConnection;
using ostrel::testing::HostileRequest;
using ostrel::testing::HostileServer;
using ostrel::testing::TlsIdentity;
using Disposition = URLSessionAuthChallengeDisposition;

// Answers every challenge the same way and remembers what it was asked.
class Judge : public URLSessionDelegate {
 public:
  Judge(Disposition disposition, std::shared_ptr<const ServerTrust> trusted = nullptr)
      : disposition_(disposition), trusted_(std::move(trusted)) {}

  void didReceiveChallenge(URLSession&, URLSessionTask&, const URLAuthenticationChallenge& challenge,
                           URLChallengeCompletion handler) override {
    challenges.push_back(challenge);
    offMain = offMain || !MainLoop::isMainThread();
    auto trust = trusted_ ? trusted_ : challenge.protectionSpace.serverTrust;
    handler(disposition_, disposition_ == Disposition::UseCredential ? URLCredential::credentialForTrust(trust)
                                                                      : std::nullopt);
  }
  void didReceiveData(URLSession&, URLSessionTask&, const foundation::Data& data) override {
    body.insert(body.end(), data.begin(), data.end());
  }
  void didCompleteWithError(URLSession&, URLSessionTask& task, const std::optional<foundation::Error>& e) override {
    ++completions;
    error = e;
    response = task.response();
  }

  std::vector<URLAuthenticationChallenge> challenges;
  std::string body;
  int completions = 0;
  bool offMain = false;
  std::optional<foundation::Error> error;
  std::optional<HTTPURLResponse> response;

 private:
  Disposition disposition_;
  std::shared_ptr<const ServerTrust> trusted_;
};

class ServerTrustTest : public ::testing::Test {
 protected:
  ServerTrustTest() {
    server.on("/secret", [](const HostileRequest&, HostileConnection& c) { c.send(HostileServer::response(200, "secret")); });
  }
  void TearDown() override { MainLoop::runUntilIdle(); }

  std::shared_ptr<Judge> get(Disposition disposition, std::shared_ptr<const ServerTrust> trusted = nullptr) {
    auto judge = std::make_shared<Judge>(disposition, std::move(trusted));
    auto session = URLSession::sessionWithConfiguration(URLSessionConfiguration::defaultSessionConfiguration(), judge);
    session->dataTaskWithRequest(URLRequest(server.url("/secret")))->resume();
    EXPECT_TRUE(MainLoop::runUntil([&] { return judge->completions > 0; }, 20));
    session->finishTasksAndInvalidate();
    return judge;
  }

  ostrel::testing::TempContainer container;
  std::shared_ptr<const TlsIdentity> identity = TlsIdentity::selfSigned();
  HostileServer server{identity};
};

TEST_F(ServerTrustTest, TheDelegateSeesTheChainAndTheSystemsVerdictOnIt) {
  auto judge = get(Disposition::PerformDefaultHandling);
  ASSERT_EQ(judge->challenges.size(), 1u);
  EXPECT_FALSE(judge->offMain);
  const URLProtectionSpace& space = judge->challenges[0].protectionSpace;
  EXPECT_EQ(space.host, "127.0.0.1");
  EXPECT_EQ(space.port, server.port());
  EXPECT_EQ(space.protocol, "https");
  EXPECT_EQ(space.authenticationMethod, kURLAuthenticationMethodServerTrust);
  ASSERT_TRUE(space.serverTrust);
  ASSERT_EQ(space.serverTrust->certificates().size(), 1u);
  EXPECT_EQ(space.serverTrust->certificates()[0], foundation::Data(identity->certificateDER().begin(),
                                                                  identity->certificateDER().end()));
  int status = -1;
  EXPECT_EQ(space.serverTrust->evaluate(&status), ServerTrust::Result::RecoverableTrustFailure);
  EXPECT_EQ(status, 0);
  EXPECT_NE(space.serverTrust->verificationText().find("self-signed"), std::string::npos)
      << space.serverTrust->verificationText();

  // Nothing to judge is a failed evaluation, and no credential can be made for it.
  ServerTrust empty("127.0.0.1", {}, 0);
  EXPECT_EQ(empty.evaluate(&status), ServerTrust::Result::Invalid);
  EXPECT_EQ(status, -50);
  EXPECT_FALSE(URLCredential::credentialForTrust(std::make_shared<ServerTrust>(empty)));
}

TEST_F(ServerTrustTest, DefaultHandlingRefusesUseCredentialAcceptsOnlyThatCertificateAndCancelEnds) {
  struct Case {
    const char* name;
    Disposition disposition;
    bool otherCertificate;
    std::int64_t code;  // 0: success
  };
  for (const Case& c : {Case{"default", Disposition::PerformDefaultHandling, false, URLErrorServerCertificateUntrusted},
                        Case{"reject space", Disposition::RejectProtectionSpace, false, URLErrorServerCertificateUntrusted},
                        Case{"trusted", Disposition::UseCredential, false, 0},
                        Case{"another certificate trusted", Disposition::UseCredential, true,
                             URLErrorServerCertificateUntrusted},
                        Case{"cancel", Disposition::CancelAuthenticationChallenge, false, URLErrorCancelled}}) {
    std::shared_ptr<const ServerTrust> other;
    if (c.otherCertificate) {
      const auto stranger = TlsIdentity::selfSigned("someone else");
      const auto& der = stranger->certificateDER();
      other = std::make_shared<ServerTrust>("127.0.0.1", std::vector<foundation::Data>{foundation::Data(der.begin(), der.end())}, 0);
    }
    std::size_t before = server.requests().size();
    auto judge = get(c.disposition, other);
    EXPECT_EQ(judge->completions, 1) << c.name;
    EXPECT_EQ(judge->error ? judge->error->code : 0, c.code) << c.name;
    EXPECT_EQ(judge->body, c.code == 0 ? "secret" : "") << c.name;
    EXPECT_EQ(server.requests().size(), before + (c.code == 0 ? 1 : 0)) << c.name << ": no request leaves untrusted";
  }
}

TEST_F(ServerTrustTest, ASessionWithoutDelegateVerifiesAsLibcurlDoes) {
  bool done = false;
  std::optional<foundation::Error> error;
  URLSession::sharedSession()
      ->dataTaskWithRequest(URLRequest(server.url("/secret")),
                            [&](auto, foundation::Data, std::optional<foundation::Error> e) { error = e, done = true; })
      ->resume();
  ASSERT_TRUE(MainLoop::runUntil([&] { return done; }, 20));
  EXPECT_EQ(error.value_or(foundation::Error{}).code, URLErrorServerCertificateUntrusted);
  EXPECT_TRUE(server.requests().empty());
}

}  // namespace
}  // namespace platform::net
