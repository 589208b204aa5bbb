#include "engine/echo_lease.h"

#include <gtest/gtest.h>

#include "fake_echo_service.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;

TEST(EchoLease, ReleasesServiceAndSocketStartOnEveryPath) {
  const int startsBefore = socketStartCount();
  for (EchoOpenResult result :
       {EchoOpenResult::Ok, EchoOpenResult::LibraryMissing, EchoOpenResult::EntryPointMissing}) {
    FakeEchoNetwork net;
    net.setOpenResult(result);
    {
      EchoLease lease(net.factory()());
      EXPECT_EQ(lease.open(), result == EchoOpenResult::Ok);
      if (result == EchoOpenResult::Ok) {
        lease.preparePayload(5);
        EXPECT_EQ(std::string(lease.payload().begin(), lease.payload().end()), "ABCDE");
        lease.createHandle();
        EXPECT_EQ(net.servicesOpen(), 1);
        EXPECT_EQ(socketStartCount(), startsBefore + 1);
      }
    }  // released by the destructor
    EXPECT_EQ(net.servicesOpen(), 0);
    EXPECT_EQ(socketStartCount(), startsBefore);
  }
}

TEST(EchoLease, FailureTextsAsUsersKnowThem) {
  FakeEchoNetwork net;
  net.setOpenResult(EchoOpenResult::EntryPointMissing);
  EchoLease lease(net.factory()());
  EXPECT_FALSE(lease.open());
  EXPECT_EQ(lease.failureText(), "Error getting ICMP proc address");
  EchoLease none(nullptr);
  EXPECT_FALSE(none.open());
  EXPECT_EQ(none.failureText(), "Could not load ICMP.DLL");
  EXPECT_EQ(echoStartFailureText(EchoStartFailure::SocketStartError, 10091),
            "WinSock startup error: 10091");
  EXPECT_EQ(echoStartFailureText(EchoStartFailure::SocketStartError, 7, StartupWording::WithCall),
            "WinSock startup() error: 7");
  EXPECT_EQ(echoStartFailureText(EchoStartFailure::SocketWrongVersion, 0),
            "WinSock version 2.0 not supported");
  EXPECT_EQ(echoStartFailureText(EchoStartFailure::None, 0), "");
}

}  // namespace
}  // namespace tarvo
