#include "cli/console_settings.h"

#include "settings/registry_store.h"

namespace tarvo::cli {

settings::Settings loadConsoleSettings() {
  // Reading only: the console never writes the store outside `settings --save`.
  return settings::loadOrFallBack(settings::RegistryStore());
}

}  // namespace tarvo::cli
