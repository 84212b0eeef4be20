// The remote-control server's sockets on the loopback address: clients up
// to the limit and one refused beyond it, the bytes both ways, a client
// that ends its sending and still reads, one that stops reading and is
// dropped, input held back, and the close once the output is out.
#include "platform/os/tcp_server.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/clock.h"
#include "tests/support/scpi_client.h"

namespace kd71::net {
namespace {

using kd71::test::ScpiClient;
using Kind = Activity::Kind;

class TcpServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(server_.listen("127.0.0.1", 0, &error)) << error;
    ASSERT_GT(server_.port(), 0);
  }
  // The next activity of `kind`, polling (a few tries with a short wait)
  // until it comes; the activities before it are passed over.
  Activity await(Kind kind) {
    for (int i = 0; i < 200; ++i) {
      while (!pending_.empty()) {
        Activity a = pending_.front();
        pending_.erase(pending_.begin());
        if (a.kind == kind) return a;
      }
      for (Activity& a : server_.poll(0.01)) pending_.push_back(a);
    }
    ADD_FAILURE() << "no activity of kind " << static_cast<int>(kind);
    return {kind, -1, ""};
  }
  std::function<void()> pump() {
    return [this] {
      for (Activity& a : server_.poll(0.0)) pending_.push_back(a);
    };
  }

  ServerLimits limits_{.max_clients = 2, .max_output = 4096, .read_chunk = 1024};
  TcpServer server_{limits_};
  std::vector<Activity> pending_;
};

TEST_F(TcpServerTest, CarriesBytesBothWaysAndRefusesAClientBeyondTheLimit) {
  EXPECT_EQ(server_.endpoint(), "127.0.0.1:" + std::to_string(server_.port()));
  EXPECT_FALSE(server_.wait(0.0)) << "nothing to do";
  ScpiClient a(server_.port()), b(server_.port());
  EXPECT_TRUE(server_.wait(1.0));
  const int ida = await(Kind::Opened).client;
  const int idb = await(Kind::Opened).client;
  EXPECT_NE(ida, idb);
  ScpiClient c(server_.port());
  const Activity refused = await(Kind::Refused);
  EXPECT_EQ(refused.text.rfind("127.0.0.1:", 0), 0u) << refused.text;
  EXPECT_TRUE(c.wait_closed(pump()));
  EXPECT_EQ(server_.clients(), 2);

  a.send("hello");
  const Activity got = await(Kind::Received);
  EXPECT_EQ(got.client, ida);
  EXPECT_EQ(got.text, "hello");
  EXPECT_TRUE(server_.send(idb, "to b\n"));
  EXPECT_EQ(b.read_line(pump()), "to b");
  // 3000 bytes come in chunks of at most 1024 per poll.
  a.send(std::string(3000, 'x'));
  std::size_t total = 0;
  while (total < 3000) {
    const Activity chunk = await(Kind::Received);
    EXPECT_LE(chunk.text.size(), 1024u);
    total += chunk.text.size();
  }
  EXPECT_EQ(total, 3000u);
}

TEST_F(TcpServerTest, AClientThatEndsItsSendingIsStillAnsweredAndClosedAfterwards) {
  ScpiClient a(server_.port());
  const int id = await(Kind::Opened).client;
  a.send("last line\n");
  a.finish_sending();
  EXPECT_EQ(await(Kind::Received).text, "last line\n");
  EXPECT_EQ(await(Kind::Ended).client, id);
  EXPECT_TRUE(server_.send(id, "answer\n"));
  server_.close_after_output(id);
  std::string rest;
  EXPECT_TRUE(a.wait_closed(pump(), &rest));
  EXPECT_EQ(rest, "answer\n");
  EXPECT_EQ(server_.clients(), 0);
}

TEST_F(TcpServerTest, AClientThatHasEndedOrIsSilentFor5MinutesGivesItsPlaceToANewOne) {
  kd71::clock::use_virtual();
  ScpiClient a(server_.port()), b(server_.port());
  await(Kind::Opened), await(Kind::Opened);
  a.finish_sending();  // its end comes in the same poll as the next connection
  ScpiClient c(server_.port());
  const int idc = await(Kind::Opened).client;  // a client that has ended no longer counts
  kd71::clock::spend(299.0);
  b.send("still here");
  ScpiClient d(server_.port());
  await(Kind::Refused);  // nobody silent for 5 minutes yet
  kd71::clock::spend(2.0);
  ScpiClient e(server_.port());
  const Activity gone = await(Kind::Closed);
  EXPECT_EQ(gone.client, idc);
  EXPECT_NE(gone.text.find("silent for 5 minutes"), std::string::npos) << gone.text;
  kd71::clock::use_real();
}

TEST_F(TcpServerTest, AClientThatDoesNotReadIsDroppedWhenItsQueueIsFull) {
  ScpiClient slow(server_.port(), 1024);
  const int id = await(Kind::Opened).client;
  bool dropped = false;
  // The kernel's buffers take some; the server's queue holds 4 KiB more.
  for (int i = 0; i < 1000 && !dropped; ++i) dropped = !server_.send(id, std::string(1000, 'y'));
  EXPECT_TRUE(dropped);
  EXPECT_EQ(server_.clients(), 0);
  const Activity closed = await(Kind::Closed);
  EXPECT_EQ(closed.client, id);
  EXPECT_NE(closed.text.find("did not read"), std::string::npos) << closed.text;
  EXPECT_FALSE(server_.send(id, "more")) << "a dropped client takes nothing";
}

TEST_F(TcpServerTest, InputHeldBackWaitsUntilItIsTakenUpAgain) {
  ScpiClient a(server_.port());
  const int id = await(Kind::Opened).client;
  server_.hold_input(id, true);
  a.send("held");  // on the loopback address in the server's socket when send returns
  for (int i = 0; i < 5; ++i)
    for (const Activity& act : server_.poll(0.0))
      EXPECT_NE(act.kind, Kind::Received) << "read while held";
  server_.hold_input(id, false);
  EXPECT_EQ(await(Kind::Received).text, "held");
}

TEST_F(TcpServerTest, APortInUseOrAnUnknownAddressCannotBeListenedOn) {
  TcpServer second;
  std::string error;
  EXPECT_FALSE(second.listen("127.0.0.1", server_.port(), &error));
  EXPECT_NE(error.find("in use"), std::string::npos) << error;
  EXPECT_FALSE(second.listening());
  EXPECT_EQ(second.descriptor(), -1);
  EXPECT_FALSE(second.listen("no-such-host.invalid", 0, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace kd71::net
