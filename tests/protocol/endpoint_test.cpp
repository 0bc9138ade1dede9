// The endpoint over real loopback sockets: a "device" is a plain UDP socket on
// 127.x that the endpoint sends to instead of broadcasting, all on free ports.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/select.h>

#include <algorithm>
#include <cerrno>
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
void OpenEndpoint(EncpClient& client, const UdpSocket& device) {
  EncpEndpointSettings settings{.devicePort = device.port(), .destinationAddress = inet_addr("127.0.0.1")};
  for (int attempt = 0; attempt < 5; ++attempt) {
    settings.localPort = FreeLoopbackPort();
    if (ENCPCLIENT_Init(&client, settings) == 0) return;
    client.ops.Close(&client);
  }
  FAIL() << "no free local port could be bound";
}

// A search reply padded with unknown options to exactly `size` bytes, its
// length field and code as given.
Bytes SearchReplyOfSize(size_t size, size_t lengthField = SIZE_MAX, uint8_t code = 5) {
  ReplyBuilder builder = ReplyBuilder(3, code).searchFixedPart();
  size_t length = 49;
  while (size - length >= 2) {
    const size_t value = std::min<size_t>(255, size - length - 2);
    builder.raw({0x60, uint8_t(value)}).filler(value, 0xCC);
    length += 2 + value;
  }
  if (size > length) builder.raw({0x60});  // a lone tag byte ends the walk
  return builder.finish(lengthField);
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

// An endpoint open towards a device socket, closed at the end.
class OpenEndpointTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(OpenEndpoint(client, device)); }
  void TearDown() override { client.ops.Close(&client); }

  using Receiver = int32_t (*EncpOperations::*)(EncpClient*);
  static constexpr Receiver search = &EncpOperations::RecvSearchReply, result = &EncpOperations::RecvResult;
  // Sends one datagram to the endpoint and, once it is readable, reads it
  // with the endpoint's `receive`; -99 when it never arrives.
  int32_t Deliver(const Bytes& datagram, Receiver receive) {
    if (!device.SendTo(client.settings.localPort, datagram) || client.ops.Wait(&client, 5, 0) != 1) return -99;
    return (client.ops.*receive)(&client);
  }

  UdpSocket device;
  EncpClient client;
};

TEST_F(OpenEndpointTest, AWaitWithNothingToReadTimesOut) { EXPECT_EQ(client.ops.Wait(&client, 0, 1), 0); }

TEST_F(OpenEndpointTest, EachReceiverTellsTheReplyKindAndOnlyASearchReplyIsRecorded) {
  ASSERT_EQ(Deliver(SearchReplyOfSize(49), search), 1);
  const DeviceInfo known = client.lastReply;
  EXPECT_EQ(Deliver(ReplyBuilder(3, 2).finish(), search), 2);
  EXPECT_EQ(std::memcmp(&client.lastReply, &known, sizeof known), 0) << "not a search reply: record kept";
  EXPECT_EQ(Deliver(ReplyBuilder(3, 0).finish(), result), 0);
}

// The buffer holds 1024 bytes: a reply of that size is taken, a larger one
// is refused by both receivers, even when its length field claims exactly
// the buffer size or its code is 1.
TEST_F(OpenEndpointTest, AReplyLargerThanTheBufferIsRefused) {
  EXPECT_EQ(Deliver(SearchReplyOfSize(1024), search), 1);
  EXPECT_EQ(Deliver(SearchReplyOfSize(1025), search), -3);
  EXPECT_EQ(Deliver(SearchReplyOfSize(1025), result), -1);
  EXPECT_EQ(Deliver(SearchReplyOfSize(1100, 1024), search), -3);
  EXPECT_EQ(Deliver(SearchReplyOfSize(1100, 1024, 1), search), -1);
}

// The kernel reports twice what was set.
TEST_F(OpenEndpointTest, TheReceiveBufferIsEnlarged) {
  int receiveBuffer = 0;
  socklen_t length = sizeof receiveBuffer;
  ASSERT_EQ(getsockopt(client.socketHandle, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, &length), 0);
  EXPECT_TRUE(geteuid() != 0 || receiveBuffer >= 4 * 1024 * 1024) << receiveBuffer;
}

// A busy process holds descriptors numbered FD_SETSIZE and above.
TEST_F(OpenEndpointTest, ASocketNumberedFdSetsizeOrAboveIsWaitedOnLikeAnyOther) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  const rlimit raised{std::max<rlim_t>(saved.rlim_cur, FD_SETSIZE + 64),
                      std::max<rlim_t>(saved.rlim_max, FD_SETSIZE + 64)};
  if (setrlimit(RLIMIT_NOFILE, &raised) != 0) GTEST_SKIP() << "no descriptors above FD_SETSIZE";
  const int high = fcntl(client.socketHandle, F_DUPFD_CLOEXEC, FD_SETSIZE);
  ASSERT_GE(high, FD_SETSIZE);
  close(client.socketHandle);
  client.socketHandle = high;
  testing::internal::CaptureStderr();
  EXPECT_EQ(client.ops.Wait(&client, 0, 1), 0);
  EXPECT_EQ(Deliver(ReplyBuilder(3, 0).finish(), result), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  client.ops.Close(&client);
  setrlimit(RLIMIT_NOFILE, &saved);
}

TEST_F(OpenEndpointTest, AClosedEndpointFailsEverySocketCallAndSaysSoOnStandardError) {
  client.ops.Close(&client);
  testing::internal::CaptureStderr();
  EXPECT_EQ(client.ops.Wait(&client, 0, 1), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("select", 0), 0u);
  EXPECT_EQ(client.ops.RecvSearchReply(&client), -1);
  EXPECT_EQ(client.ops.RecvResult(&client), -1);
  // Console texts are diagnostics: standard output belongs to the caller's data.
  testing::internal::CaptureStderr();
  errno = 0;
  EXPECT_EQ(client.ops.Search(&client), -1);
  EXPECT_EQ(errno, EBADF) << "the cause outlives the console text";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "broadcast error\n");
}

TEST(EncpEndpoint, ConfigurationRequests) {
  const std::string notValid = "ENCPCLIENT_SetNetwork : Not valid socket, initialize ENCP before use this function.\n";
  NetworkSettingRequest setting{};
  NetworkTextsRequest texts{};
  CredentialRequest credential{};

  EncpClient unopened;
  testing::internal::CaptureStderr();
  EXPECT_EQ(ENCPCLIENT_SetNetwork(&unopened, &setting), -1);
  EXPECT_EQ(ENCPCLIENT_SetNetworkTexts(&unopened, &texts), -1);
  EXPECT_EQ(ENCPCLIENT_SetCredential(&unopened, &credential), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), notValid + notValid + notValid);

  UdpSocket device;
  EncpClient client;
  OpenEndpoint(client, device);

  // Refused requests send nothing: the device's first datagram is the
  // request that follows them.
  setting.networkType = 3;
  testing::internal::CaptureStderr();
  EXPECT_EQ(client.ops.SetNetwork(&client, &setting), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ENCPCLIENT_SetNetwork : Invalid network type.\n");
  const std::string tooLong(128, 't');
  texts.text2 = tooLong.c_str();
  EXPECT_EQ(client.ops.SetNetworkTexts(&client, &texts), -1);

  setting.networkType = 1;
  texts.text2 = credential.password2 = "ok";
  EXPECT_EQ(client.ops.SetNetwork(&client, &setting), 0);
  EXPECT_EQ(client.ops.SetNetworkTexts(&client, &texts), 0);
  EXPECT_EQ(client.ops.SetCredential(&client, &credential), 0);
  for (size_t size : {62u, 50u, 69u}) EXPECT_EQ(device.Receive().size(), size);
  client.ops.Close(&client);
}

}  // namespace
