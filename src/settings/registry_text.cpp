#include "settings/registry_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "settings/name_index.h"

namespace tarvo::settings {

namespace {

using Members = RegistryTree::object_t::Container;

// Objects up to this size are searched for a repeated name directly; larger
// ones get a hash index, so a key with many values parses in linear time.
constexpr std::size_t kLinearSearchLimit = 16;

enum class Outcome {
  Held,     // a value to keep
  Dropped,  // well delimited but unusable: only this member is lost
  Broken,   // the text's structure is broken: the whole file is refused
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool endsWord(char c) {
  return isSpace(c) || c == ',' || c == ':' || c == '[' || c == ']' || c == '{' || c == '}' ||
         c == '"';
}

void appendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The length of the well-formed UTF-8 sequence at the start of `s`, or 0.
std::size_t utf8SequenceLength(std::string_view s) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  auto continuation = [&](std::size_t i, unsigned lo = 0x80, unsigned hi = 0xBF) {
    return i < s.size() && byte(i) >= lo && byte(i) <= hi;
  };
  const unsigned b = byte(0);
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) return continuation(1) ? 2 : 0;
  if (b >= 0xE0 && b <= 0xEF) {
    unsigned lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
    return continuation(1, lo, hi) && continuation(2) ? 3 : 0;
  }
  if (b >= 0xF0 && b <= 0xF4) {
    unsigned lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
    return continuation(1, lo, hi) && continuation(2) && continuation(3) ? 4 : 0;
  }
  return 0;
}

// A JSON number in the grammar's exact form: -?(0|[1-9]d*)(.d+)?([eE][+-]?d+)?
bool isJsonNumber(std::string_view w, bool& integral) {
  std::size_t i = 0;
  auto digits = [&] {
    std::size_t start = i;
    while (i < w.size() && w[i] >= '0' && w[i] <= '9') ++i;
    return i > start;
  };
  if (i < w.size() && w[i] == '-') ++i;
  if (i < w.size() && w[i] == '0') {
    ++i;
  } else if (!digits()) {
    return false;
  }
  integral = true;
  if (i < w.size() && w[i] == '.') {
    ++i;
    integral = false;
    if (!digits()) return false;
  }
  if (i < w.size() && (w[i] == 'e' || w[i] == 'E')) {
    ++i;
    integral = false;
    if (i < w.size() && (w[i] == '+' || w[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == w.size();
}

class Reader {
 public:
  explicit Reader(std::string_view text) : s_(text) {}

  std::optional<RegistryTree> document() {
    if (s_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;  // a byte order mark
    skipSpace();
    if (pos_ == s_.size()) return RegistryTree::object();
    if (s_[pos_] != '{') return std::nullopt;
    RegistryTree root;
    if (object(root, 1) != Outcome::Held) return std::nullopt;
    skipSpace();
    if (pos_ != s_.size()) return std::nullopt;
    return root;
  }

 private:
  std::string_view s_;
  std::size_t pos_ = 0;

  char peek() const { return pos_ < s_.size() ? s_[pos_] : '\0'; }
  bool atEnd() const { return pos_ >= s_.size(); }
  void skipSpace() {
    while (pos_ < s_.size() && isSpace(s_[pos_])) ++pos_;
  }

  Outcome value(RegistryTree& out, int depth) {
    if (depth > kMaxTreeDepth) return Outcome::Broken;
    skipSpace();
    if (atEnd()) return Outcome::Broken;
    switch (s_[pos_]) {
      case '{':
        return object(out, depth);
      case '[':
        return array(out, depth);
      case '"': {
        std::string text;
        Outcome o = string(text);
        if (o == Outcome::Held) out = std::move(text);
        return o;
      }
      default:
        return word(out);
    }
  }

  Outcome object(RegistryTree& out, int depth) {
    ++pos_;  // '{'
    out = RegistryTree::object();
    Members& members = out.get_ref<RegistryTree::object_t&>();
    skipSpace();
    if (peek() == '}') {
      ++pos_;
      return Outcome::Held;
    }
    for (;;) {
      skipSpace();
      if (peek() != '"') return Outcome::Broken;
      std::string name;
      Outcome named = string(name);
      if (named == Outcome::Broken) return named;
      skipSpace();
      if (peek() != ':') return Outcome::Broken;
      ++pos_;
      RegistryTree member;
      Outcome valued = value(member, depth + 1);
      if (valued == Outcome::Broken) return valued;
      if (named == Outcome::Held && valued == Outcome::Held) {
        put(members, std::move(name), std::move(member));
      }
      skipSpace();
      char c = peek();
      ++pos_;
      if (c == '}') {
        dropRepeatedNames(members);
        return Outcome::Held;
      }
      if (c != ',') return Outcome::Broken;
    }
  }

  // A repeated name keeps its first place and takes the later value.
  static void put(Members& members, std::string name, RegistryTree member) {
    if (members.size() < kLinearSearchLimit) {
      for (auto& [existing, old] : members) {
        if (existing == name) {
          old = std::move(member);
          return;
        }
      }
    }
    // Larger objects are checked once, when they are complete.
    members.emplace_back(std::move(name), std::move(member));
  }

  static void dropRepeatedNames(Members& members) {
    if (members.size() <= kLinearSearchLimit) return;
    NameIndex<false> index(members.size());
    auto nameAt = [&](std::size_t i) -> std::string_view { return members[i].first; };
    std::vector<bool> repeat(members.size(), false);
    bool any = false;
    for (std::size_t i = 0; i < members.size(); ++i) {
      std::size_t first = index.firstOrAdd(members[i].first, i, nameAt);
      if (first != i) {
        members[first].second = std::move(members[i].second);
        repeat[i] = any = true;
      }
    }
    if (!any) return;
    Members unique;
    unique.reserve(members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
      if (!repeat[i]) unique.emplace_back(members[i].first, std::move(members[i].second));
    }
    members.swap(unique);
  }

  Outcome array(RegistryTree& out, int depth) {
    ++pos_;  // '['
    out = RegistryTree::array();
    skipSpace();
    if (peek() == ']') {
      ++pos_;
      return Outcome::Held;
    }
    for (;;) {
      RegistryTree element;
      Outcome o = value(element, depth + 1);
      if (o == Outcome::Broken) return o;
      if (o == Outcome::Held) out.push_back(std::move(element));
      skipSpace();
      char c = peek();
      ++pos_;
      if (c == ']') return Outcome::Held;
      if (c != ',') return Outcome::Broken;
    }
  }

  // Bytes are taken as they are (the file is UTF-8, and a stray byte is
  // replaced only when written back); an escape that names no character
  // makes the string unusable but leaves the structure intact.
  Outcome string(std::string& out) {
    ++pos_;  // '"'
    bool usable = true;
    for (;;) {
      std::size_t run = pos_;
      while (pos_ < s_.size() && s_[pos_] != '"' && s_[pos_] != '\\') ++pos_;
      appendValidUtf8(out, s_.substr(run, pos_ - run));
      if (atEnd()) return Outcome::Broken;
      if (s_[pos_++] == '"') return usable ? Outcome::Held : Outcome::Dropped;
      if (atEnd()) return Outcome::Broken;
      char e = s_[pos_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          auto unit = hex4();
          if (!unit) {
            usable = false;
            break;
          }
          std::uint32_t cp = *unit;
          if (cp >= 0xD800 && cp <= 0xDBFF && s_.substr(pos_, 2) == "\\u") {
            std::size_t back = pos_;
            pos_ += 2;
            auto low = hex4();
            if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
            } else {
              pos_ = back;
            }
          }
          if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;  // a lone half of a pair
          appendUtf8(out, cp);
          break;
        }
        default:
          usable = false;  // the escaped character itself is ordinary text
          --pos_;
          break;
      }
    }
  }

  std::optional<std::uint32_t> hex4() {
    if (s_.size() - pos_ < 4) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      char c = s_[pos_ + i];
      int d = c >= '0' && c <= '9'   ? c - '0'
              : c >= 'a' && c <= 'f' ? c - 'a' + 10
              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                     : -1;
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<std::uint32_t>(d);
    }
    pos_ += 4;
    return v;
  }

  // true, false, null or a number; any other word, and a number no double
  // can hold, is dropped.
  Outcome word(RegistryTree& out) {
    std::size_t start = pos_;
    while (pos_ < s_.size() && !endsWord(s_[pos_])) ++pos_;
    std::string_view w = s_.substr(start, pos_ - start);
    if (w.empty()) return Outcome::Broken;
    if (w == "true" || w == "false") {
      out = w == "true";
      return Outcome::Held;
    }
    if (w == "null") {
      out = nullptr;
      return Outcome::Held;
    }
    bool integral = false;
    if (!isJsonNumber(w, integral)) return Outcome::Dropped;
    const char* first = w.data();
    const char* last = w.data() + w.size();
    if (integral) {
      if (w.front() == '-') {
        std::int64_t v = 0;
        if (std::from_chars(first, last, v).ec == std::errc()) {
          out = v;
          return Outcome::Held;
        }
      } else {
        std::uint64_t v = 0;
        if (std::from_chars(first, last, v).ec == std::errc()) {
          out = v;
          return Outcome::Held;
        }
      }
    }
    double d = 0;
    auto [end, ec] = std::from_chars(first, last, d);
    if (ec != std::errc() || end != last || !std::isfinite(d)) return Outcome::Dropped;
    out = d;
    return Outcome::Held;
  }
};

}  // namespace

std::optional<RegistryTree> parseRegistryText(std::string_view text) {
  return Reader(text).document();
}

void appendValidUtf8(std::string& out, std::string_view bytes) {
  while (!bytes.empty()) {
    std::size_t n = utf8SequenceLength(bytes);
    if (n == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD for each byte that starts no character
      n = 1;
    } else {
      out.append(bytes.data(), n);
    }
    bytes.remove_prefix(n);
  }
}

std::string validUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  appendValidUtf8(out, bytes);
  return out;
}

std::string serializeRegistry(const RegistryTree& tree) {
  return tree.dump(2, ' ', false, RegistryTree::error_handler_t::replace) + "\n";
}

void appendMember(RegistryTree& object, std::string name, RegistryTree value) {
  Members& members = object.get_ref<RegistryTree::object_t&>();
  members.emplace_back(std::move(name), std::move(value));
}

}  // namespace tarvo::settings
