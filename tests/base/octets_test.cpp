#include "base/octets.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvo {
namespace {

constexpr std::uint32_t ip(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  return a << 24 | b << 16 | c << 8 | d;
}

// Each reader of dotted text: a host (classic rules), the stored range and
// the window's range switch (typed octets), the console's range and the
// watch list's sort (decimal octets).
enum Reader { Host, Typed, Decimal };

std::optional<std::uint32_t> readAs(Reader reader, const char* text) {
  if (reader == Host) return parseDottedAddress(text);
  const auto octets =
      parseOctets(text, reader == Typed ? DottedParts::Typed : DottedParts::Decimal);
  if (!octets) return std::nullopt;
  return ip((*octets)[0], (*octets)[1], (*octets)[2], (*octets)[3]);
}

TEST(DottedAddress, EachReaderTakesWhatItsFieldAccepts) {
  const struct {
    Reader reader;
    std::optional<std::uint32_t> address;  // none: not an address
    std::vector<const char*> texts;
  } rows[] = {
      // Short forms fill the low bytes; octal after a leading 0, hexadecimal
      // after 0x; white space after the address is ignored.
      {Host, ip(127, 0, 0, 1), {"127.0.0.1", "2130706433", "0x7f.1", "0177.0.0.01", "127.1\t"}},
      {Host, ip(1, 2, 255, 255), {"1.2.65535"}},
      // All ones is the classic reader's failure answer.
      {Host, std::nullopt, {"255.255.255.255", "4294967296", "1.2.65536", "08.1.1.1", "0x", ""}},
      {Host, std::nullopt, {" 127.0.0.1", "1.2.3.4 x", "localhost", "1..2", "1.2.3.4.5"}},
      // Typed octets: blanks before, signs, hexadecimal; "010" is ten.
      {Typed, ip(10, 1, 255, 1), {"10.1.255.1", " 10.+1.$ff.0x1", "010.+01.0xFF.x1"}},
      {Typed, std::nullopt, {"10.1", "1.-1.1.1", "256.1.1.1", "1.2.3.4 ", "1..2.3", "a.b.c.d"}},
      // Decimal octets: digits only.
      {Decimal, ip(10, 0, 0, 7), {"10.0.0.7", "010.0.0.000000000000007"}},
      {Decimal, std::nullopt, {" 1.2.3.4", "+1.2.3.4", "0x1.2.3.4", "1.2.3.256", "1.2.3"}},
  };
  for (const auto& row : rows) {
    for (const char* text : row.texts) {
      EXPECT_EQ(readAs(row.reader, text), row.address) << row.reader << " [" << text << "]";
    }
  }
}

TEST(DottedAddress, WrittenInDecimal) {
  EXPECT_EQ(formatAddress(ip(198, 18, 10, 255)), "198.18.10.255");
  EXPECT_EQ(formatOctets({10, 256, -1, INT32_MIN}), "10.256.-1.-2147483648");
}

}  // namespace
}  // namespace tarvo
