#include "ui/settings_bridge.h"

#include "settings/registry_store.h"
#include "settings/settings.h"
#include "settings/settings_session.h"

namespace tarvo::ui {

// The settings themselves live in the window; the store keeps what it
// loaded besides them (the additional programs and the bounds) for the save.
struct WindowSettingsStore::Impl {
  settings::RegistryStore store;
  settings::StartupState state;
};

WindowSettingsStore::WindowSettingsStore() : impl_(std::make_unique<Impl>()) {}
WindowSettingsStore::~WindowSettingsStore() = default;

settings::Settings WindowSettingsStore::load() {
  impl_->state = settings::loadStartupState(impl_->store);
  return impl_->state.settings;
}

std::optional<WindowBounds> WindowSettingsStore::bounds(int screenWidth, int screenHeight) const {
  if (!impl_->state.bounds) return std::nullopt;
  return settings::clampToScreen(*impl_->state.bounds, screenWidth, screenHeight);
}

settings::AdditionalPrograms& WindowSettingsStore::programs() { return impl_->state.programs; }

std::string WindowSettingsStore::save(const settings::Settings& values, const WindowBounds& bounds,
                                      Occasion occasion) {
  return settings::saveState(impl_->store, values, impl_->state.programs, &bounds,
                             occasion == Occasion::Closing ? settings::SaveOccasion::Closing
                                                           : settings::SaveOccasion::SaveNow)
      .error;
}

}  // namespace tarvo::ui
