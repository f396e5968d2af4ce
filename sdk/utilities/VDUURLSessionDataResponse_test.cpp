#include "sdk/utilities/VDUURLSessionDataResponse.h"

#include <gtest/gtest.h>

#include "platform/dispatch/MainLoop.h"
#include "testing/LoopbackServer.h"

namespace {

using ostrel::testing::LoopbackResponse;
using ostrel::testing::LoopbackServer;

TEST(VDUURLSessionDataResponse, PromiseFulfilsWithTheAnswerAndRejectsOnTransportErrors) {
  VBLPromise::setDefaultDispatchQueue(platform::dispatch::Queue::main());
  LoopbackServer server;
  LoopbackResponse created = LoopbackResponse::withStatus(201, "{\"ok\":true}");
  server.on("POST", "/batch", created);
  server.on("POST", "/drop", LoopbackResponse::dropped());
  // The head arrives, the body breaks off: there is a response, and still the transport failed.
  server.on("POST", "/cut", LoopbackResponse::truncated(std::string(4096, 'b'), 100));
  auto session = platform::net::URLSession::sharedSession();

  platform::net::URLRequest request(server.url("/batch"));
  request.httpMethod = "POST";
  request.httpBody = {'x'};
  auto fulfilled = vdu_dataTaskPromiseWithRequest(session, request);
  request.url = server.url("/drop");
  auto rejected = vdu_dataTaskPromiseWithRequest(session, request);
  request.url = server.url("/cut");
  auto cut = vdu_dataTaskPromiseWithRequest(session, request);
  ASSERT_TRUE(VBLWaitForPromisesWithTimeout(20));

  ASSERT_TRUE(fulfilled->isFulfilled());
  auto answer = fulfilled->value().objectAs<VDUURLSessionDataResponse>();
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->HTTPResponse.statusCode, 201);
  EXPECT_EQ(std::string(answer->HTTPBody.begin(), answer->HTTPBody.end()), "{\"ok\":true}");

  ASSERT_TRUE(rejected->isRejected());
  EXPECT_EQ(rejected->error()->domain, platform::net::kURLErrorDomain);
  EXPECT_EQ(rejected->error()->code, platform::net::URLErrorNetworkConnectionLost);
  ASSERT_TRUE(cut->isRejected());
  EXPECT_EQ(cut->error()->domain, platform::net::kURLErrorDomain);
}

}  // namespace
