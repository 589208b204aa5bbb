#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// A fresh folder per test for the registry file, removed afterwards.
class TempRegistry {
 public:
  TempRegistry() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tarvo-settings-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
  }
  ~TempRegistry() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path file() const { return folder_ / "registry.json"; }

  void write(const std::string& text) const { std::ofstream(file(), std::ios::binary) << text; }
  std::string read() const { return readFile(file()); }
  static std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::filesystem::path folder_;
};
