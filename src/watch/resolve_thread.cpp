#include "watch/resolve_thread.h"

#include "engine/address.h"
#include "watch/watch_address.h"

namespace tarvo {

namespace {
// A name is watched at the first address its preference gives: with IPv4
// first, a name that has no IPv4 address is watched at its IPv6 one.
std::optional<HostEntry> addressOfName(const Resolver& resolver, const std::string& name,
                                       FamilyPreference family) {
  auto entry = resolver.hostIn(name, family);
  if (entry && !entry->all.empty()) entry->all.resize(1);
  return entry;
}
}  // namespace

TResolveTh::TResolveTh(std::string lookupText, std::size_t index, ResolveMode mode,
                       FamilyPreference family, MonitorShared& shared, const Resolver& resolver)
    : lookupText_(std::move(lookupText)),
      index_(index),
      mode_(mode),
      family_(family),
      shared_(shared),
      resolver_(resolver) {}

TResolveTh::~TResolveTh() {
  // A look-up in progress is left to end on its own.
  call_.abandon();
  requestStop();
  waitFor();
}

void TResolveTh::finish(const std::string& caption, ResolveState state) {
  // The caption is ready before the state says so.
  shared_.captionText.with([&](auto& c) { c[index_] = caption; });
  shared_.setState(index_, state);
  shared_.wakeup.wake();
}

std::optional<std::optional<HostEntry>> TResolveTh::lookUp(
    std::function<std::optional<HostEntry>()> call) {
  if (!call_.start(std::move(call))) {
    // No thread to be had right now: the host stays to be looked up.
    shared_.setState(index_, ResolveState::ToLookUp);
    shared_.wakeup.wake();
    return std::nullopt;
  }
  auto entry = call_.wait([this] { return stopRequested(); });
  if (!entry) {
    shared_.setState(index_, ResolveState::Stopped);
    shared_.wakeup.wake();
  }
  return entry;
}

void TResolveTh::execute() {
  if (lookupText_ == kPlaceholder) return;
  auto stopped = [this] {
    if (!stopRequested()) return false;
    shared_.setState(index_, ResolveState::Stopped);
    shared_.wakeup.wake();
    return true;
  };
  if (stopped()) return;
  const std::string marker = failMarker(mode_);
  const auto address = watchAddressOf(lookupText_);
  if (!address) {
    const std::string name = stripUrlScheme(lookupText_);
    const auto found = lookUp([resolver = resolver_, name, family = family_] {
      return addressOfName(resolver, name, family);
    });
    if (!found || stopped()) return;
    const auto& entry = *found;
    if (entry && !entry->all.empty()) {
      const std::string text = entry->all.front().toString();
      shared_.hostText.with([&](auto& h) { h[index_] = text; });
      finish(name + " (" + text + ")", ResolveState::Resolved);
    } else {
      finish(name + " (" + marker + ")", ResolveState::NameFailed);
    }
  } else {
    const auto found = lookUp([resolver = resolver_, address = *address] {
      const auto v4 = address.asV4();
      return v4 ? resolver.address(*v4) : resolver.addressIn(address);
    });
    if (!found || stopped()) return;
    const auto& entry = *found;
    if (entry) {
      finish(entry->officialName + " (" + lookupText_ + ")", ResolveState::Resolved);
    } else {
      finish(marker + " (" + lookupText_ + ")", ResolveState::AddressFailed);
    }
  }
}

}  // namespace tarvo
