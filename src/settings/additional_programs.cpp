#include "settings/additional_programs.h"

#include <cstdio>
#include <optional>

#include "base/letter_case.h"

namespace tarvo::settings {

namespace {

constexpr std::string_view kCommandLine = "CommandLine";
constexpr std::string_view kCommandName = "CommandName";
constexpr std::string_view kPreIp = "PreIPArguments";
constexpr std::string_view kPostIp = "PostIPArguments";

std::string placeholderIfEmpty(std::string text) {
  return text.empty() ? std::string(kEmptyArgument) : text;
}

// What readText gives for `name` of a key whose values are `values`.
std::optional<std::string> textOf(const RegistryStore::Texts& values, std::string_view name) {
  for (const auto& [valueName, text] : values) {
    if (sameIgnoringAsciiCase(valueName, name)) return text;
  }
  return std::nullopt;
}

// The user programs stored under \OtherCommands, in stored order. Read in
// one pass: a look-up per value would search the whole key each time.
void appendStoredPrograms(const RegistryStore& store, AdditionalPrograms& programs) {
  std::size_t position = 0;
  for (const auto& subkey : store.readSubkeyTexts(kOtherCommandsKey)) {
    const std::size_t n = position++;
    auto commandLine = textOf(subkey.values, kCommandLine);
    if (!commandLine || commandLine->empty()) continue;
    std::string name = textOf(subkey.values, kCommandName).value_or("");
    if (name.empty()) name = programNameFromCommand(*commandLine);
    if (name.empty()) name = "Command" + std::to_string(n);
    programs.append(*commandLine, name, textOf(subkey.values, kPreIp).value_or(""),
                    textOf(subkey.values, kPostIp).value_or(""));
  }
}

// One write for the whole key: a write per value would search the key for
// its subkey each time.
void writePrograms(RegistryStore& store, const AdditionalPrograms& programs) {
  std::vector<std::pair<std::string, RegistryStore::TextValues>> subkeys;
  subkeys.reserve(programs.size());
  for (std::size_t i = kFirstUserProgram; i < programs.size(); ++i) {
    subkeys.emplace_back(programSubkeyName(i - 1),
                         RegistryStore::TextValues{
                             {std::string(kCommandLine), programs.commandLines[i]},
                             {std::string(kCommandName), programs.names[i]},
                             {std::string(kPreIp), programs.preIpArguments[i]},
                             {std::string(kPostIp), programs.postIpArguments[i]},
                         });
  }
  store.replaceWithSubkeys(kOtherCommandsKey, std::move(subkeys));
}

}  // namespace

AdditionalPrograms::AdditionalPrograms() {
  const std::string edit(kEditCommandsEntry);
  commandLines = {edit, std::string(kBuiltInCommand)};
  names = {edit, std::string(kBuiltInName)};
  preIpArguments = {edit, std::string(kEmptyArgument)};
  postIpArguments = {edit, std::string(kEmptyArgument)};
}

void AdditionalPrograms::append(std::string commandLine, std::string name, std::string preIp,
                                std::string postIp) {
  commandLines.push_back(std::move(commandLine));
  names.push_back(std::move(name));
  preIpArguments.push_back(placeholderIfEmpty(std::move(preIp)));
  postIpArguments.push_back(placeholderIfEmpty(std::move(postIp)));
}

void AdditionalPrograms::clearUserPrograms() {
  commandLines.resize(kFirstUserProgram);
  names.resize(kFirstUserProgram);
  preIpArguments.resize(kFirstUserProgram);
  postIpArguments.resize(kFirstUserProgram);
}

std::string programNameFromCommand(std::string_view commandLine) {
  std::size_t slash = commandLine.find_last_of("/\\");
  std::string_view file =
      slash == std::string_view::npos ? commandLine : commandLine.substr(slash + 1);
  std::size_t dot = file.rfind('.');
  // A leading dot names a hidden file rather than starting an extension.
  if (dot != std::string_view::npos && dot > 0) file = file.substr(0, dot);
  return std::string(file);
}

std::string programSubkeyName(std::size_t number) {
  char name[32];
  std::snprintf(name, sizeof name, "C%07zu", number);
  return name;
}

void loadAdditionalPrograms(RegistryStore& store, AdditionalPrograms& programs) {
  if (!store.keyExists(kOldOtherCommandKey)) {
    appendStoredPrograms(store, programs);
    return;
  }
  const std::string key(kOldOtherCommandKey);
  std::string commandLine = store.readText(key, kCommandLine).value_or("");
  std::string preIp = store.readText(key, kPreIp).value_or("");
  std::string postIp = store.readText(key, kPostIp).value_or("");
  RegistryStore::Batch batch(store);
  store.deleteKey(kOldOtherCommandKey);
  if (commandLine.empty()) {
    // Nothing to convert; the programs stored in the newer layout stay.
    appendStoredPrograms(store, programs);
    return;
  }
  std::string name = programNameFromCommand(commandLine);
  programs.append(commandLine, name.empty() ? "OldCommand" : name, preIp, postIp);
  // Programs already stored in the newer layout follow the converted one
  // rather than being dropped by the rewrite.
  appendStoredPrograms(store, programs);
  writePrograms(store, programs);
}

void saveAdditionalPrograms(RegistryStore& store, const AdditionalPrograms& programs) {
  RegistryStore::Batch batch(store);
  writePrograms(store, programs);
}

std::int32_t selectableCommand(std::int32_t activeCommand, std::size_t entries) {
  return activeCommand >= 1 && static_cast<std::size_t>(activeCommand) < entries ? activeCommand
                                                                                 : 1;
}

}  // namespace tarvo::settings
