#include "cli/cli_defaults.h"

namespace tarvo::cli {

// Until the settings store exists every run starts from the built-in defaults.
CliDefaults loadCliDefaults() { return CliDefaults{}; }

}  // namespace tarvo::cli
