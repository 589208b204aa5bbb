#include "settings/settings_session.h"

namespace tarvo::settings {

StartupState loadStartupState(RegistryStore& store) {
  StartupState state;
  state.settings = loadOrFallBack(store, &state.settingsLoaded);
  loadAdditionalPrograms(store, state.programs);
  state.bounds = loadSizePosition(store);
  return state;
}

StoreResult saveState(RegistryStore& store, const Settings& settings,
                      const AdditionalPrograms& programs, const WindowBounds* bounds,
                      SaveOccasion occasion) {
  // One replacement of the file for the whole save.
  RegistryStore::Batch batch(store);
  saveSettings(store, settings);
  if (occasion == SaveOccasion::Closing && !settings.autoSave) return batch.commit();
  saveAdditionalPrograms(store, programs);
  if (bounds) saveSizePosition(store, *bounds);
  return batch.commit();
}

}  // namespace tarvo::settings
