#include "engine/address.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

TEST(StripUrlScheme, RemovesUpToTheFirstSchemeSeparatorOnly) {
  const std::pair<const char*, const char*> rows[] = {
      {"http://host/", "host/"},
      {"https://host.example/path?q=1", "host.example/path?q=1"},
      {"a://b://c", "b://c"},
      {"plain.host", "plain.host"},
      {"://x", "x"},
      {"ftp://", ""},
  };
  for (const auto& [text, stripped] : rows) EXPECT_EQ(stripUrlScheme(text), stripped) << text;
}

}  // namespace
}  // namespace tarvo
