#include "sdk/utilities/VDUURLSessionDataResponse.h"

#include <gtest/gtest.h>

#include "platform/dispatch/MainLoop.h"
#include "sdk/promises/VBLPromiseTestSupport.h"
#include "testing/LoopbackServer.h"

namespace {

using ostrel::testing::LoopbackResponse;
using platform::foundation::Error;

TEST(VDUURLSessionDataResponse, PromiseFulfilsWithTheAnswerAndRejectsOnTransportErrors) {
  ostrel::testing::MainQueuePromiseDefaults promiseDefaults;
  ostrel::testing::LoopbackServer server;
  server.on("POST", "/batch", LoopbackResponse::withStatus(201, "{\"ok\":true}"));
  server.on("POST", "/drop", LoopbackResponse::dropped());
  // The head arrives, the body breaks off: there is a response, and still the transport failed.
  server.on("POST", "/cut", LoopbackResponse::truncated(std::string(4096, 'b'), 100));
  auto promiseFor = [&](const std::string& path) {
    platform::net::URLRequest request(server.url(path));
    request.httpMethod = "POST";
    request.httpBody = {'x'};
    return vdu_dataTaskPromiseWithRequest(platform::net::URLSession::sharedSession(), request);
  };
  auto fulfilled = promiseFor("/batch"), dropped = promiseFor("/drop"), cut = promiseFor("/cut");
  ASSERT_TRUE(VBLWaitForPromisesWithTimeout(20));

  auto answer = fulfilled->value().objectAs<VDUURLSessionDataResponse>();
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->HTTPResponse.statusCode, 201);
  EXPECT_EQ(std::string(answer->HTTPBody.begin(), answer->HTTPBody.end()), "{\"ok\":true}");
  EXPECT_EQ(dropped->error().value_or(Error{}).code, platform::net::URLErrorNetworkConnectionLost);
  for (const auto& failed : {dropped, cut}) {
    EXPECT_EQ(failed->error().value_or(Error{}).domain, platform::net::kURLErrorDomain);
  }
}

}  // namespace
