#include "ui/kept_watch_list.h"

#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "settings/registry_file.h"
#include "settings/settings.h"
#include "watch/watch_list.h"

namespace tarvo::ui {

namespace {

std::string damaged(const std::string& path) {
  return "The kept watch list " + path + " is damaged; the list starts empty.";
}

}  // namespace

std::string keptWatchListPath() { return settings::defaultWatchLogPath() + "watch-list.json"; }

KeptWatchList readKeptWatchList(const std::string& path) {
  KeptWatchList kept;
  std::string bytes;
  int error = 0;
  switch (readWatchListFile(path, bytes, &error)) {
    case WatchListRead::Ok:
      break;
    case WatchListRead::Unreadable:
      if (error != ENOENT) {
        kept.problem = "The kept watch list " + path + " cannot be read: " + std::strerror(error);
      }
      return kept;
    case WatchListRead::TooLarge:
    case WatchListRead::NotRegularFile:
      kept.problem = damaged(path);
      return kept;
  }
  QJsonParseError parsed{};
  const QJsonDocument document = QJsonDocument::fromJson(
      QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), &parsed);
  const QJsonValue items = document.object().value("items");
  if (parsed.error != QJsonParseError::NoError || !items.isArray()) {
    kept.problem = damaged(path);
    return kept;
  }
  for (const QJsonValue& value : items.toArray()) {
    const QJsonValue text = value.toObject().value("text");
    const QJsonValue checked = value.toObject().value("checked");
    if (!text.isString() || !checked.isBool()) {
      kept.items.clear();
      kept.problem = damaged(path);
      return kept;
    }
    WatchItem item{text.toString().toStdString(), checked.toBool()};
    if (!findWatchItem(kept.items, item.text)) kept.items.push_back(std::move(item));
  }
  return kept;
}

std::string writeKeptWatchList(const std::string& path, const std::vector<WatchItem>& items) {
  QJsonArray array;
  for (const WatchItem& item : items) {
    array.append(
        QJsonObject{{"text", QString::fromStdString(item.text)}, {"checked", item.checked}});
  }
  const QByteArray json =
      QJsonDocument(QJsonObject{{"items", array}}).toJson(QJsonDocument::Compact);
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  std::filesystem::create_directories(folder.parent_path(), ec);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    return "cannot make " + folder.string() + ": " + std::strerror(errno);
  }
  return settings::writeFileAtomically(path, std::string_view(json.constData(), json.size())).error;
}

}  // namespace tarvo::ui
