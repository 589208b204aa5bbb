#include "engine/echo_lease.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "fake_echo_service.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;

// A failed open says why in the words users know; the request data are
// letters. (That every run gives the service back is each worker's test.)
TEST(EchoLease, NamesAFailureAndFillsTheRequestWithLetters) {
  const std::pair<EchoOpenResult, const char*> rows[] = {
      {EchoOpenResult::Ok, ""},
      {EchoOpenResult::LibraryMissing, "Could not load ICMP.DLL"},
      {EchoOpenResult::EntryPointMissing, "Error getting ICMP proc address"}};
  for (const auto& [result, text] : rows) {
    FakeEchoNetwork net;
    net.setOpenResult(result);
    EchoLease lease(net.factory()());
    EXPECT_EQ(lease.open(), result == EchoOpenResult::Ok);
    EXPECT_EQ(lease.failureText(), text);
  }
  EchoLease none(nullptr);
  none.preparePayload(5);
  EXPECT_EQ(std::string(none.payload().begin(), none.payload().end()), "ABCDE");
}

}  // namespace
}  // namespace tarvo
