#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvo {

// The requests waiting for their answers, by key (identifier and sequence
// in one). A request goes in as it is sent and out as its answer comes, a
// few thousand times a second in a big monitor: the entries sit in one
// array, with no allocation per request and one cache line per look-up,
// where a node-based map allocates, frees and chases a pointer each time.
// Open addressing with linear probing; an erase shifts the entries behind
// back into place, so no tombstones build up.
template <class Value>
class RequestTable {
 public:
  // False when the key is taken already.
  bool insert(std::uint32_t key, Value* value) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    for (std::size_t i = home(key);; i = (i + 1) & mask()) {
      if (!slots_[i].value) {
        slots_[i] = {key, value};
        ++count_;
        return true;
      }
      if (slots_[i].key == key) return false;
    }
  }

  Value* find(std::uint32_t key) const {
    if (count_ == 0) return nullptr;
    for (std::size_t i = home(key);; i = (i + 1) & mask()) {
      if (!slots_[i].value) return nullptr;
      if (slots_[i].key == key) return slots_[i].value;
    }
  }

  // False when the key was not there.
  bool erase(std::uint32_t key) {
    if (count_ == 0) return false;
    std::size_t i = home(key);
    for (;; i = (i + 1) & mask()) {
      if (!slots_[i].value) return false;
      if (slots_[i].key == key) break;
    }
    // Moves back each following entry whose home is not between the hole
    // and itself, so every entry stays reachable from its home.
    for (std::size_t j = (i + 1) & mask(); slots_[j].value; j = (j + 1) & mask()) {
      const std::size_t h = home(slots_[j].key);
      const bool stays = i <= j ? (i < h && h <= j) : (i < h || h <= j);
      if (!stays) {
        slots_[i] = slots_[j];
        i = j;
      }
    }
    slots_[i] = {};
    --count_;
    return true;
  }

  std::size_t size() const { return count_; }

 private:
  struct Slot {
    std::uint32_t key = 0;
    Value* value = nullptr;  // null: empty
  };

  std::size_t mask() const { return slots_.size() - 1; }
  std::size_t home(std::uint32_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits_));
  }

  void grow() {
    std::vector<Slot> old = std::move(slots_);
    bits_ = old.empty() ? 4 : bits_ + 1;
    slots_.assign(std::size_t{1} << bits_, Slot{});
    count_ = 0;
    for (const Slot& s : old) {
      if (s.value) insert(s.key, s.value);
    }
  }

  std::vector<Slot> slots_;
  unsigned bits_ = 0;
  std::size_t count_ = 0;
};

}  // namespace tarvo
