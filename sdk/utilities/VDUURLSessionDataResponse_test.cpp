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
  auto session = platform::net::URLSession::sharedSession();

  platform::net::URLRequest request(server.url("/batch"));
  request.httpMethod = "POST";
  request.httpBody = {'x'};
  auto fulfilled = vdu_dataTaskPromiseWithRequest(session, request);
  request.url = server.url("/drop");
  auto rejected = vdu_dataTaskPromiseWithRequest(session, request);
  ASSERT_TRUE(VBLWaitForPromisesWithTimeout(20));

  ASSERT_TRUE(fulfilled->isFulfilled());
  auto answer = fulfilled->value().objectAs<VDUURLSessionDataResponse>();
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->HTTPResponse.statusCode, 201);
  EXPECT_EQ(std::string(answer->HTTPBody.begin(), answer->HTTPBody.end()), "{\"ok\":true}");

  ASSERT_TRUE(rejected->isRejected());
  EXPECT_EQ(rejected->error()->domain, platform::net::kURLErrorDomain);
  EXPECT_EQ(rejected->error()->code, platform::net::URLErrorNetworkConnectionLost);
}

}  // namespace
