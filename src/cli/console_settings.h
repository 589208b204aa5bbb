#pragma once

#include <string>

#include "cli/cli_args.h"
#include "settings/field_rules.h"
#include "settings/settings.h"

namespace tarvo::cli {

// The settings a console run starts from: the per-user store as the window
// would load it, read only.
settings::Settings loadConsoleSettings();

// A typed number option replaces the stored value, repaired by the field's
// rule as the window repairs its field: never an error. An option not given
// leaves the stored value.
template <class T>
void applyNumberOption(const ParsedArgs& args, const std::string& name,
                       const settings::FieldRule& rule, T& value) {
  if (auto text = args.value(name)) value = static_cast<T>(rule.repair(*text).value);
}

}  // namespace tarvo::cli
