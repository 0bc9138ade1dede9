// The endpoint over real loopback sockets. A "device" is a plain UDP socket
// on a 127.x address; the endpoint sends to it instead of broadcasting, and
// every port is a free one, so these tests run beside anything else.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/select.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "protocol/encp_client.h"
#include "protocol/encp_codec.h"
#include "protocol/setting_exchange.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/reply_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool IsOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

// Opens an endpoint on a free local port that sends to `device`.
void OpenEndpoint(EncpClient& client, const UdpSocket& device) {
  EncpEndpointSettings settings;
  settings.devicePort = device.port();
  settings.destinationAddress = inet_addr("127.0.0.1");
  for (int attempt = 0; attempt < 5; ++attempt) {
    settings.localPort = FreeLoopbackPort();
    if (ENCPCLIENT_Init(&client, settings) == 0) return;
    client.ops.Close(&client);
  }
  FAIL() << "no free local port could be bound";
}

// A search reply padded with unknown options to exactly `size` bytes.
Bytes SearchReplyOfSize(size_t size) {
  ReplyBuilder builder(3);
  builder.searchFixedPart();
  size_t length = 49;
  while (size - length >= 2) {
    const size_t value = std::min<size_t>(255, size - length - 2);
    builder.raw({0x60, uint8_t(value)}).filler(value, 0xCC);
    length += 2 + value;
  }
  if (size > length) builder.raw({0x60});  // a lone tag byte ends the walk
  return builder.finish();
}

// Sending and decoding through an open endpoint are proven by the discovery
// worker's tests; here are the edges of its socket's life.
TEST(EncpEndpoint, LifecycleAndHeldPort) {
  EncpClient never;
  EXPECT_EQ(ENCPCLIENT_Close(&never), 0);

  // An endpoint on a held port fails at bind and keeps its socket for
  // Close, which closes it once and forgets it.
  UdpSocket holder;
  EncpClient held;
  held.settings.localPort = holder.port();
  EXPECT_EQ(ENCPCLIENT_Init(&held), -1);
  const int heldSocket = held.socketHandle;
  ASSERT_TRUE(heldSocket >= 0 && IsOpen(heldSocket));
  EXPECT_EQ(held.ops.Close(&held), 0);
  EXPECT_EQ(held.socketHandle, -1);
  EXPECT_FALSE(IsOpen(heldSocket));

  // Descriptor 0 is an ordinary socket descriptor and must be closed too.
  const int savedStdin = dup(0);
  const int socketAtZero = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_EQ(dup2(socketAtZero, 0), 0);
  close(socketAtZero);
  EncpClient atZero;
  atZero.socketHandle = 0;
  EXPECT_EQ(ENCPCLIENT_Close(&atZero), 0);
  EXPECT_FALSE(IsOpen(0));
  dup2(savedStdin, 0);
  close(savedStdin);
}

TEST(EncpEndpoint, WaitingAndReceiving) {
  UdpSocket device;
  EncpClient client;
  OpenEndpoint(client, device);
  // Sends one datagram to the endpoint and waits until it is readable.
  auto deliver = [&](const Bytes& datagram) {
    ASSERT_TRUE(device.SendTo(client.settings.localPort, datagram));
    ASSERT_EQ(client.ops.Wait(&client, 5, 0), 1);
  };

  EXPECT_EQ(client.ops.Wait(&client, 0, 1), 0);
  deliver(SearchReplyOfSize(49));
  ASSERT_EQ(client.ops.RecvSearchReply(&client), 1);
  const DeviceInfo known = client.lastReply;
  deliver(ReplyBuilder(3, 2).finish());
  EXPECT_EQ(client.ops.RecvSearchReply(&client), 2);
  EXPECT_EQ(std::memcmp(&client.lastReply, &known, sizeof known), 0) << "not a search reply: record kept";
  deliver(ReplyBuilder(3, 0).finish());
  EXPECT_EQ(client.ops.RecvResult(&client), 0);

  // The buffer holds 1024 bytes: a reply of that size is taken, a larger one
  // is refused by both receivers, even when its length field claims exactly
  // the buffer size or its code is 1.
  deliver(SearchReplyOfSize(1024));
  EXPECT_EQ(client.ops.RecvSearchReply(&client), 1);
  deliver(SearchReplyOfSize(1025));
  EXPECT_EQ(client.ops.RecvSearchReply(&client), -3);
  deliver(SearchReplyOfSize(1025));
  EXPECT_EQ(client.ops.RecvResult(&client), -1);
  Bytes liar = SearchReplyOfSize(1100);
  liar[5] = 1024 & 0xFF;
  liar[6] = 1024 >> 8;
  deliver(liar);
  EXPECT_EQ(client.ops.RecvSearchReply(&client), -3);
  liar[7] = 1;
  deliver(liar);
  EXPECT_EQ(client.ops.RecvSearchReply(&client), -1);

  // The receive buffer is enlarged (the kernel reports twice what was set).
  int receiveBuffer = 0;
  socklen_t length = sizeof receiveBuffer;
  ASSERT_EQ(getsockopt(client.socketHandle, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, &length), 0);
  if (geteuid() == 0) {
    EXPECT_GE(receiveBuffer, 4 * 1024 * 1024);
  }

  // A busy process holds descriptors numbered FD_SETSIZE and above; the
  // endpoint waits on such a socket like on any other.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit raised = saved;
  raised.rlim_cur = std::max<rlim_t>(saved.rlim_cur, FD_SETSIZE + 64);
  raised.rlim_max = std::max(saved.rlim_max, raised.rlim_cur);
  if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
    const int high = fcntl(client.socketHandle, F_DUPFD_CLOEXEC, FD_SETSIZE);
    ASSERT_GE(high, FD_SETSIZE);
    close(client.socketHandle);
    client.socketHandle = high;
    testing::internal::CaptureStderr();
    EXPECT_EQ(client.ops.Wait(&client, 0, 1), 0);
    deliver(ReplyBuilder(3, 0).finish());
    EXPECT_EQ(client.ops.RecvResult(&client), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  }
  client.ops.Close(&client);
  setrlimit(RLIMIT_NOFILE, &saved);

  // A closed endpoint fails every socket call with -1 and its texts.
  testing::internal::CaptureStderr();
  EXPECT_EQ(client.ops.Wait(&client, 0, 1), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("select", 0), 0u);
  EXPECT_EQ(client.ops.RecvSearchReply(&client), -1);
  EXPECT_EQ(client.ops.RecvResult(&client), -1);
  testing::internal::CaptureStdout();
  EXPECT_EQ(client.ops.Search(&client), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "broadcast error\n");
}

TEST(EncpEndpoint, ConfigurationRequests) {
  const std::string notValid = "ENCPCLIENT_SetNetwork : Not valid socket, initialize ENCP before use this function.\n";
  NetworkSettingRequest setting{};
  NetworkTextsRequest texts{};
  CredentialRequest credential{};

  EncpClient unopened;
  testing::internal::CaptureStdout();
  EXPECT_EQ(ENCPCLIENT_SetNetwork(&unopened, &setting), -1);
  EXPECT_EQ(ENCPCLIENT_SetNetworkTexts(&unopened, &texts), -1);
  EXPECT_EQ(ENCPCLIENT_SetCredential(&unopened, &credential), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), notValid + notValid + notValid);

  UdpSocket device;
  EncpClient client;
  OpenEndpoint(client, device);

  // Refused requests send nothing: the device's first datagram is the
  // request that follows them.
  setting.networkType = 3;
  testing::internal::CaptureStdout();
  EXPECT_EQ(client.ops.SetNetwork(&client, &setting), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "ENCPCLIENT_SetNetwork : Invalid network type.\n");
  const std::string tooLong(128, 't');
  texts.text2 = tooLong.c_str();
  EXPECT_EQ(client.ops.SetNetworkTexts(&client, &texts), -1);

  setting.networkType = 1;
  ASSERT_EQ(client.ops.SetNetwork(&client, &setting), 0);
  EXPECT_EQ(device.Receive().size(), 62u);

  texts.text2 = "ok";
  ASSERT_EQ(client.ops.SetNetworkTexts(&client, &texts), 0);
  EXPECT_EQ(device.Receive().size(), 50u);
  credential.password2 = "ok";
  ASSERT_EQ(client.ops.SetCredential(&client, &credential), 0);
  EXPECT_EQ(device.Receive().size(), 69u);
  client.ops.Close(&client);
}

// Who an answer belongs to, in a run that asked A (at .1, moving to .9),
// B (at .2, selector 7), and C and D, which share address .3.
TEST(SettingExchangeTest, AnAnswerIsCreditedOnlyToTheDeviceThatSentIt) {
  uint8_t nextMac = 0;
  const auto target = [&](uint32_t discovered, uint32_t given, uint8_t selector) {
    SentChange change;
    change.target.mac[5] = ++nextMac;
    change.target.discoveredAddress = inet_addr(("10.0.0." + std::to_string(discovered)).c_str());
    change.target.givenAddress = given ? inet_addr(("10.0.0." + std::to_string(given)).c_str()) : 0;
    change.target.selector = selector;
    return change;
  };
  std::vector<SentChange> sent = {target(1, 9, 1), target(2, 0, 7), target(3, 0, 1), target(3, 0, 1)};
  const auto from = [](int host, int selector = -1, bool isSearchReply = false) {
    ResultReply reply;
    reply.code = 0;
    reply.sourceAddress = inet_addr(("10.0.0." + std::to_string(host)).c_str());
    reply.selector = selector;
    reply.isSearchReply = isSearchReply;
    return reply;
  };
  EXPECT_EQ(AttributeResult(sent, from(1)), 0u);
  EXPECT_EQ(AttributeResult(sent, from(9)), 0u) << "from the address it was given";
  EXPECT_EQ(AttributeResult(sent, from(2, 7)), 1u);
  EXPECT_EQ(AttributeResult(sent, from(2, 8)), std::nullopt) << "another selector";
  EXPECT_EQ(AttributeResult(sent, from(1, -1, true)), std::nullopt) << "a search reply";
  EXPECT_EQ(AttributeResult(sent, from(5)), std::nullopt) << "no device of the run";
  EXPECT_EQ(AttributeResult(sent, from(3)), 3u) << "shared address: the one asked last";
  sent[3].answer = 0;
  EXPECT_EQ(AttributeResult(sent, from(3)), 2u);
  sent[2].answer = 0;
  sent[0].answer = 0;
  EXPECT_EQ(AttributeResult(sent, from(3)), std::nullopt) << "a further copy";
  EXPECT_EQ(AttributeResult(sent, from(1)), std::nullopt) << "a further copy";

  // A asked again, on to .10, before its record caught up with .9.
  SentChange again = target(1, 10, 1);
  std::memcpy(again.target.mac, sent[0].target.mac, sizeof again.target.mac);
  sent.push_back(again);
  EXPECT_EQ(AttributeResult(sent, from(9)), 4u) << "from the address an earlier line gave it";
  sent[0].answer = 2;
  EXPECT_EQ(AttributeResult(sent, from(9)), std::nullopt) << "a refused change never moved it";
}

}  // namespace
