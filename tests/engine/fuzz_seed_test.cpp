// Replays the fuzz targets' seed inputs through the same entry points, so the
// packet readers meet every seed in each ordinary test run, without clang.
// A reader that reads out of bounds on a seed traps here as in the fuzzer.
#define LLVMFuzzerTestOneInput rawPacketFuzzOne
#include "../../fuzz/raw_packet_fuzz.cpp"
#undef LLVMFuzzerTestOneInput
#define LLVMFuzzerTestOneInput errorQueueFuzzOne
#include "../../fuzz/error_queue_fuzz.cpp"
#undef LLVMFuzzerTestOneInput
#define LLVMFuzzerTestOneInput icmp6PacketFuzzOne
#include "../../fuzz/icmp6_packet_fuzz.cpp"
#undef LLVMFuzzerTestOneInput
#define LLVMFuzzerTestOneInput ipAddressFuzzOne
#include "../../fuzz/ip_address_fuzz.cpp"
#undef LLVMFuzzerTestOneInput

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace tarvo::icmp {
namespace {

int replaySeeds(const std::filesystem::path& dir, int (*target)(const std::uint8_t*, std::size_t)) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    EXPECT_EQ(target(bytes.data(), bytes.size()), 0) << entry.path();
    ++replayed;
  }
  return replayed;
}

TEST(FuzzSeeds, EverySeedPassesItsTarget) {
  const std::filesystem::path seeds = TARVO_FUZZ_SEEDS;
  EXPECT_GT(replaySeeds(seeds / "raw_packet", &rawPacketFuzzOne), 0);
  EXPECT_GT(replaySeeds(seeds / "error_queue", &errorQueueFuzzOne), 0);
  EXPECT_GT(replaySeeds(seeds / "icmp6_packet", &icmp6PacketFuzzOne), 0);
  EXPECT_GT(replaySeeds(seeds / "ip_address", &ipAddressFuzzOne), 0);
}

}  // namespace
}  // namespace tarvo::icmp
