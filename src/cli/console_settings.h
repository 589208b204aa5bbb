#pragma once

#include <string>

#include "cli/cli_args.h"
#include "settings/field_rules.h"
#include "settings/settings.h"

namespace tarvo::cli {

// The settings a console run starts from: the per-user store as the window
// would load it, read only.
settings::Settings loadConsoleSettings();

// A number option replaces the stored value. parseArgs has held it to the
// option's rule already (the stored value was repaired by the rules when it
// was loaded); an option not given leaves the stored value.
template <class T>
void applyNumberOption(const ParsedArgs& args, const std::string& name, T& value) {
  if (auto n = args.number(name)) value = static_cast<T>(*n);
}

}  // namespace tarvo::cli
