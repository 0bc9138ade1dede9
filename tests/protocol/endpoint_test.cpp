// The endpoint over real loopback sockets. A "device" is a plain UDP socket
// on a 127.x address; the endpoint sends to it instead of broadcasting, and
// every port is a free one, so these tests run beside anything else.
#include <fcntl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "protocol/encp_client.h"
#include "protocol/encp_codec.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/reply_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool IsOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

// Opens an endpoint on a free local port that sends to `device`.
void OpenEndpoint(EncpClient& client, const UdpSocket& device, const char* deviceIp = "127.0.0.1") {
  EncpEndpointSettings settings;
  settings.devicePort = device.port();
  settings.destinationAddress = inet_addr(deviceIp);
  for (int attempt = 0; attempt < 5; ++attempt) {
    settings.localPort = FreeLoopbackPort();
    if (ENCPCLIENT_Init(&client, settings) == 0) return;
    client.ops.Close(&client);
  }
  FAIL() << "no free local port could be bound";
}

Bytes SearchReply(const std::string& model) {
  const std::string texts[6] = {model, "", "", "", "", ""};
  return ReplyBuilder(3).searchFixedPart(texts).option(8, {0x50, 0x00}).finish();
}

// A search reply padded with unknown options to exactly `size` bytes.
Bytes SearchReplyOfSize(size_t size) {
  ReplyBuilder builder(3);
  builder.searchFixedPart();
  size_t length = 49;
  while (size - length >= 2) {
    const size_t value = std::min<size_t>(255, size - length - 2);
    builder.u8(0x60).u8(uint8_t(value)).filler(value, 0xCC);
    length += 2 + value;
  }
  if (size > length) builder.u8(0x60);  // a lone tag byte ends the walk
  return builder.finish();
}

TEST(EncpEndpoint, LifecycleAndHeldPort) {
  EncpClient never;
  EXPECT_EQ(ENCPCLIENT_Close(&never), 0);
  EXPECT_EQ(never.socketHandle, -1);

  UdpSocket device(0, "127.0.0.5");
  EncpClient first;
  OpenEndpoint(first, device, "127.0.0.5");
  ASSERT_GE(first.socketHandle, 0);

  // A second endpoint on the held port fails at bind, keeps its socket for
  // Close, and has a working operation table.
  EncpClient second;
  second.settings = first.settings;
  EXPECT_EQ(ENCPCLIENT_Init(&second), -1);
  const int secondSocket = second.socketHandle;
  ASSERT_GE(secondSocket, 0);
  EXPECT_TRUE(IsOpen(secondSocket));
  ASSERT_EQ(second.ops.Close, &ENCPCLIENT_Close);
  EXPECT_EQ(second.ops.Close(&second), 0);
  EXPECT_EQ(second.socketHandle, -1);
  EXPECT_FALSE(IsOpen(secondSocket));
  EXPECT_EQ(second.ops.Close(&second), 0);

  // The first goes on working: request out, reply in, sender recorded.
  ASSERT_EQ(first.ops.Search(&first), 0);
  EXPECT_EQ(device.Receive(), (Bytes{0x41, 0x44, 0x43, 0x54, 0x02, 0x09, 0x00, 0x03, 0xFF}));
  device.SendTo(first.settings.localPort, SearchReply("cam"));
  ASSERT_EQ(first.ops.Wait(&first, 5, 0), 1);
  ASSERT_EQ(first.ops.RecvSearchReply(&first), 1);
  EXPECT_STREQ(first.lastReply.modelName, "cam");
  EXPECT_EQ(first.lastReply.sourceAddress, inet_addr("127.0.0.5"));
  EXPECT_EQ(first.lastReply.webPort, 80);
  EXPECT_EQ(first.ops.Close(&first), 0);
  EXPECT_EQ(first.socketHandle, -1);

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
  deliver(SearchReply("known"));
  ASSERT_EQ(client.ops.RecvSearchReply(&client), 1);
  const DeviceInfo known = client.lastReply;

  // Datagrams that are not search replies leave lastReply as it was.
  deliver(ReplyBuilder(3, 2).finish());
  EXPECT_EQ(client.ops.RecvSearchReply(&client), 2);
  deliver(Bytes{'A', 'D', 'C', 'T', 2, 9, 0, 3, 0xFF});
  EXPECT_EQ(client.ops.RecvSearchReply(&client), -1);
  EXPECT_EQ(std::memcmp(&client.lastReply, &known, sizeof known), 0);

  deliver(SearchReply("x"));
  EXPECT_EQ(client.ops.RecvResult(&client), 5);
  deliver(ReplyBuilder(3, 0).finish());
  EXPECT_EQ(client.ops.RecvResult(&client), 0);

  // The buffer holds 1024 bytes: a reply of that size is taken, a larger one
  // with an honest length field is refused by both receivers.
  deliver(SearchReplyOfSize(1024));
  EXPECT_EQ(client.ops.RecvSearchReply(&client), 1);
  for (size_t size : {1025, 1500}) {
    deliver(SearchReplyOfSize(size));
    EXPECT_EQ(client.ops.RecvSearchReply(&client), -3) << size;
    deliver(SearchReplyOfSize(size));
    EXPECT_EQ(client.ops.RecvResult(&client), -1) << size;
  }
  // Oversized datagrams whose length field claims exactly the buffer size,
  // or whose code is 1, are no more accepted.
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
  client.ops.Close(&client);

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
  const std::string notValid =
      "ENCPCLIENT_SetNetwork : Not valid socket, initialize ENCP before use this function.\n";
  NetworkSettingRequest setting{};
  const uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  std::memcpy(setting.mac, mac, 6);
  std::memcpy(setting.userId, "root", 4);
  std::strcpy(setting.password, "kefo");
  setting.networkType = 1;
  setting.ipAddress = inet_addr("10.1.2.3");
  NetworkTextsRequest texts{};
  CredentialRequest credential{};

  // An endpoint whose Init failed (its port is held) is closed, then used.
  UdpSocket holder;
  EncpClient unopened;
  unopened.settings.localPort = holder.port();
  ASSERT_EQ(ENCPCLIENT_Init(&unopened), -1);
  unopened.ops.Close(&unopened);
  testing::internal::CaptureStdout();
  EXPECT_EQ(unopened.ops.SetNetwork(&unopened, &setting), -1);
  EXPECT_EQ(unopened.ops.SetNetworkTexts(&unopened, &texts), -1);
  EXPECT_EQ(unopened.ops.SetCredential(&unopened, &credential), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), notValid + notValid + notValid);

  UdpSocket device;
  EncpClient client;
  OpenEndpoint(client, device);

  // Refused requests send nothing: the device's first datagram is the
  // request that follows them.
  setting.networkType = 3;
  testing::internal::CaptureStdout();
  EXPECT_EQ(client.ops.SetNetwork(&client, &setting), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "ENCPCLIENT_SetNetwork : Invalid network type.\n");
  const std::string tooLong(128, 't');
  texts.text2 = tooLong.c_str();
  EXPECT_EQ(client.ops.SetNetworkTexts(&client, &texts), -1);
  credential.password2 = tooLong.c_str();
  EXPECT_EQ(client.ops.SetCredential(&client, &credential), -1);

  setting.networkType = 1;
  ASSERT_EQ(client.ops.SetNetwork(&client, &setting), 0);
  const Bytes sent = device.Receive();
  ASSERT_EQ(sent.size(), 62u);
  uint8_t expected[kEncpMaxRequestSize];
  ASSERT_EQ(EncodeSetNetworkRequest(setting, expected, sizeof expected), 62);
  EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 24), Bytes(expected, expected + 24));
  EXPECT_EQ(Bytes(sent.begin() + 46, sent.end()), Bytes(expected + 46, expected + 62));

  texts.text2 = "ok";
  ASSERT_EQ(client.ops.SetNetworkTexts(&client, &texts), 0);
  EXPECT_EQ(device.Receive().size(), 50u);
  credential.password2 = "ok";
  ASSERT_EQ(client.ops.SetCredential(&client, &credential), 0);
  EXPECT_EQ(device.Receive().size(), 69u);
  client.ops.Close(&client);
}

}  // namespace
