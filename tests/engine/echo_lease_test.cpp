#include "engine/echo_lease.h"

#include <gtest/gtest.h>

#include "fake_echo_service.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;

// Every way out of a run gives the service back, and a failed open says why
// in the words users know.
TEST(EchoLease, ReleasesTheServiceOnEveryPathAndNamesAFailure) {
  const struct {
    EchoOpenResult result;
    const char* text;
  } rows[] = {{EchoOpenResult::Ok, ""},
              {EchoOpenResult::LibraryMissing, "Could not load ICMP.DLL"},
              {EchoOpenResult::EntryPointMissing, "Error getting ICMP proc address"}};
  for (const auto& row : rows) {
    FakeEchoNetwork net;
    net.setOpenResult(row.result);
    {
      EchoLease lease(net.factory()());
      EXPECT_EQ(lease.open(), row.result == EchoOpenResult::Ok);
      EXPECT_EQ(lease.failureText(), row.text);
      if (row.result == EchoOpenResult::Ok) {
        lease.preparePayload(5);
        EXPECT_EQ(std::string(lease.payload().begin(), lease.payload().end()), "ABCDE");
        lease.createHandle();
        EXPECT_EQ(net.servicesOpen(), 1);
      }
    }  // released by the destructor
    EXPECT_EQ(net.servicesOpen(), 0);
  }
  EchoLease none(nullptr);
  EXPECT_FALSE(none.open());
  EXPECT_EQ(none.failureText(), "Could not load ICMP.DLL");
}

}  // namespace
}  // namespace tarvo
