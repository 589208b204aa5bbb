#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/registry_store.h"

namespace tarvo::settings {

inline constexpr std::string_view kOtherCommandsKey = "\\SOFTWARE\\Dravenco\\Tarvo\\OtherCommands";
// The older one-program layout, read only to convert it.
inline constexpr std::string_view kOldOtherCommandKey = "\\SOFTWARE\\Dravenco\\Tarvo\\OtherCommand";

inline constexpr std::string_view kEditCommandsEntry = "*Edit commands*";
inline constexpr std::string_view kBuiltInCommand = "telnet";
inline constexpr std::string_view kBuiltInName = "Telnet";
// An empty argument text is held as one blank, in the lists and the store.
inline constexpr std::string_view kEmptyArgument = " ";
// Index of the first user program in the lists.
inline constexpr std::size_t kFirstUserProgram = 2;

// The "Connect progs:" entries as four parallel lists of equal length:
// index 0 the edit entry, index 1 the built-in program, then the user's.
struct AdditionalPrograms {
  std::vector<std::string> commandLines;
  std::vector<std::string> names;
  std::vector<std::string> preIpArguments;
  std::vector<std::string> postIpArguments;

  AdditionalPrograms();  // holds the two built-in entries
  std::size_t size() const { return names.size(); }
  // Empty argument texts become the one-blank placeholder.
  void append(std::string commandLine, std::string name, std::string preIp, std::string postIp);
  // Drops the user programs, keeping the built-in entries.
  void clearUserPrograms();
};

// The command's file name without folder and extension ("/usr/bin/ssh" and
// "C:\Tools\client.exe" give "ssh" and "client").
std::string programNameFromCommand(std::string_view commandLine);

// "C" and the number, zero-padded to eight characters ("C0000001").
std::string programSubkeyName(std::size_t number);

// Appends the stored user programs. An older \OtherCommand key is converted
// on the way: its program comes first, the programs already under
// \OtherCommands follow, the tree is rewritten as C0000001.. and the older
// key is deleted. An older key without a command line is only deleted.
void loadAdditionalPrograms(RegistryStore& store, AdditionalPrograms& programs);

// Rewrites \OtherCommands from the user programs (the built-in entries are
// never stored).
void saveAdditionalPrograms(RegistryStore& store, const AdditionalPrograms& programs);

// The entry the "Connect progs:" list selects when it is filled, which is
// also the new P_ActiveCommand: the stored one when it names a program,
// otherwise the built-in entry 1.
std::int32_t selectableCommand(std::int32_t activeCommand, std::size_t entries);

}  // namespace tarvo::settings
