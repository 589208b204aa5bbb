#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <variant>

#include "cli/cli_args.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "cli/json_records.h"
#include "settings/setting_table.h"
#include "settings/settings_session.h"

namespace tarvo::cli {

namespace {

void printLine(const std::string& name, const std::string& value) {
  std::fwrite(name.data(), 1, name.size(), stdout);
  std::fputc('=', stdout);
  std::fwrite(value.data(), 1, value.size(), stdout);
  std::fputc('\n', stdout);
}

void printText(const settings::StartupState& state) {
  for (const auto& [name, value] : settings::settingsValues(state.settings)) printLine(name, value);
  const auto& history = state.settings.hostHistory;
  for (std::size_t i = 0; i < history.size(); ++i) {
    printLine("PingHost" + std::to_string(i), history[i]);
  }
  const auto& programs = state.programs;
  for (std::size_t i = 1; i < programs.size(); ++i) {
    printLine("Program" + std::to_string(i), programs.names[i] + "|" + programs.commandLines[i] +
                                                 "|" + programs.preIpArguments[i] + "|" +
                                                 programs.postIpArguments[i]);
  }
  std::fflush(stdout);
}

// Every value of the text output in one record; the range addresses even
// when range mode is off, where the text leaves them out.
JsonObject settingsJson(const settings::StartupState& state) {
  const settings::Settings& s = state.settings;
  auto values = settings::settingsValues(s);
  if (!s.rangeEnabled) {
    for (auto& value : settings::rangeAddressValues(s)) values.push_back(std::move(value));
  }
  std::set<std::string> texts;
  for (const settings::StoredSetting& row : settings::kStoredSettings) {
    if (std::holds_alternative<std::string settings::Settings::*>(row.member)) {
      texts.emplace(row.name);
    }
  }
  JsonObject record = settingsRecord(values, texts);
  record["PingHosts"] = s.hostHistory;
  JsonObject programs = JsonObject::array();
  for (std::size_t i = 1; i < state.programs.size(); ++i) {
    programs.push_back({{"name", state.programs.names[i]},
                        {"command", state.programs.commandLines[i]},
                        {"before_address", state.programs.preIpArguments[i]},
                        {"after_address", state.programs.postIpArguments[i]}});
  }
  record["Programs"] = std::move(programs);
  return record;
}

}  // namespace

int runSettingsCommand(const std::vector<std::string>& words) {
  ParsedArgs args = parseArgs(words, commandOptions("settings")->options);
  if (args.error.empty() && !args.positional.empty()) {
    args.error = "unexpected argument " + args.positional.front();
  }
  if (!args.error.empty()) {
    std::fprintf(stderr, "tarvo-cli settings: %s\n", args.error.c_str());
    return kExitUsage;
  }

  settings::RegistryStore store;
  // Printing never writes: what the load would convert or repair reaches
  // the file only with --save.
  store.holdWrites();
  settings::StartupState state = settings::loadStartupState(store);
  // As the window's "Connect progs:" list does when it is filled.
  state.settings.activeCommand =
      settings::selectableCommand(state.settings.activeCommand, state.programs.size());

  if (args.has("--json")) {
    JsonLines out;
    out.write(settingsJson(state));
  } else {
    printText(state);
  }

  if (args.has("--save")) {
    // As closing the window saves, without a window to take bounds from.
    settings::saveState(store, state.settings, state.programs, nullptr,
                        settings::SaveOccasion::Closing);
    if (auto saved = store.flush(); !saved) {
      std::fprintf(stderr, "tarvo-cli settings: the settings were not saved: %s\n",
                   saved.error.c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace tarvo::cli
