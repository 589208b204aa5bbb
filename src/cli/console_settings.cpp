#include "cli/console_settings.h"

#include "settings/registry_store.h"

namespace tarvo::cli {

settings::Settings loadConsoleSettings() {
  // Reading only: the console never writes the store outside `settings --save`.
  const settings::RegistryStore store;
  settings::Settings s;
  if (!settings::loadSettings(store, s)) settings::applyFallbackDefaults(s);
  return s;
}

}  // namespace tarvo::cli
