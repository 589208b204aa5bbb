#pragma once

#include <optional>

#include "settings/additional_programs.h"
#include "settings/registry_store.h"
#include "settings/settings.h"
#include "settings/window_bounds.h"

namespace tarvo::settings {

// Everything the window starts from.
struct StartupState {
  Settings settings;
  AdditionalPrograms programs;
  std::optional<WindowBounds> bounds;  // as stored; clamp to the screen before use
  bool settingsLoaded = false;         // false: the fallback defaults were applied
};

// The start-up load in its order: defaults, settings (with the fallback when
// they cannot be loaded), additional programs, window bounds.
StartupState loadStartupState(RegistryStore& store);

enum class SaveOccasion {
  Closing,  // the window closes: programs and bounds only with auto-save on
  SaveNow,  // "Save Settings Now": programs and bounds always
};

// The settings (honouring auto-save), then the additional programs and the
// bounds as the occasion asks. No bounds (nullptr) saves none. All of it
// reaches the file in one replacement, or none of it and the result says why.
StoreResult saveState(RegistryStore& store, const Settings& settings,
                      const AdditionalPrograms& programs, const WindowBounds* bounds,
                      SaveOccasion occasion);

}  // namespace tarvo::settings
