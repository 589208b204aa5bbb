#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo::settings {

// The registry tree as held in memory: objects are keys, strings are text
// values, integers are 32-bit integer values. Members of any other type are
// kept untouched so that a write never loses what it does not understand.
using RegistryTree = nlohmann::ordered_json;

// Deeper trees are refused: writing them back would recurse without bound.
constexpr int kMaxTreeDepth = 512;

// Parses the file text in time proportional to its length. An empty text is
// an empty tree; anything that is not a JSON object nested at most
// kMaxTreeDepth deep is refused. A member whose value is well delimited but
// cannot be held (a number out of range, a word that is no JSON value, a
// string with a broken escape) is left out alone: one bad value never costs
// the rest of the file. Bytes that are not UTF-8 read as U+FFFD. A name given twice in the same
// letter case keeps its first place and its last value; names that differ only in case are all
// kept, in stored order.
std::optional<RegistryTree> parseRegistryText(std::string_view text);

// The text written to the file (two-blank indent). Every string in the tree
// must be valid UTF-8: see validUtf8.
std::string serializeRegistry(const RegistryTree& tree);

// `bytes` with each byte that starts no UTF-8 character replaced by U+FFFD.
std::string validUtf8(std::string_view bytes);
void appendValidUtf8(std::string& out, std::string_view bytes);

// Appends a member known not to exist yet in that letter case, without the
// linear search of the object's own insert.
void appendMember(RegistryTree& object, std::string name, RegistryTree value);

}  // namespace tarvo::settings
