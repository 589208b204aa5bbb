// libFuzzer target: the settings file's text, which the user or anyone with
// access to the folder may have edited.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/registry_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto tree = tarvo::settings::parseRegistryText(text);
  if (!tree) return 0;
  // What is written back must read back as the same tree.
  const std::string written = tarvo::settings::serializeRegistry(*tree);
  auto again = tarvo::settings::parseRegistryText(written);
  if (!again || tarvo::settings::serializeRegistry(*again) != written) __builtin_trap();
  return 0;
}
