#pragma once

#include <string>

namespace tarvo::settings {

// What a write to the settings file came to: an empty `error` when it was
// done, otherwise a sentence for the user saying why it was not.
struct StoreResult {
  std::string error;

  static StoreResult failed(std::string why) { return StoreResult{std::move(why)}; }
  bool ok() const { return error.empty(); }
  explicit operator bool() const { return ok(); }
};

}  // namespace tarvo::settings
