#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>

#include "ui/main_window.h"
#include "ui/ping_page.h"
#include "ui/save_to_file.h"
#include "ui/trace_page.h"
#include "ui/watch_page.h"

namespace tarvo::ui {
namespace {

std::vector<std::string> entries(const QComboBox& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.count(); ++i) out.push_back(list.itemText(i).toStdString());
  return out;
}

std::vector<std::string> lines(const QPlainTextEdit& memo) {
  std::vector<std::string> out;
  QString text = memo.toPlainText();
  if (text.isEmpty()) return out;
  for (const QString& line : text.split('\n')) out.push_back(line.toStdString());
  return out;
}

}  // namespace

void MainWindow::buildSaveMenu(QMenu* extras) {
  auto* saver = new SaveToFile(this);
  QMenu* menu = extras->addMenu("&Save to File");
  menu->setObjectName("SaveToFileMenu");
  auto add = [&](const char* name, const char* text, auto source, const char* empty) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this,
            [this, saver, source, empty] { saver->save(source(this), empty); });
  };
  add(
      "SaveReached", "Reached &Hosts...",
      [](MainWindow* w) { return entries(*w->ping_->reachedList()); },
      "The list of reached hosts is empty !");
  add(
      "SaveNotReached", "&NOT Reached Hosts...",
      [](MainWindow* w) { return entries(*w->trace_->notReachedList()); },
      "The list of NOT reached hosts is empty !");
  menu->addSeparator();
  add(
      "SavePingLines", "Lines displayed by &Ping...",
      [](MainWindow* w) { return lines(*w->ping_->tab().memo); },
      "The Ping display list is empty !");
  add(
      "SaveTraceLines", "Lines displayed by &Traceroute...",
      [](MainWindow* w) { return lines(*w->trace_->tab().memo); },
      "The Traceroute display list is empty !");
  menu->addSeparator();
  add(
      "SaveWatchList", "Watch List...",
      [](MainWindow* w) {
        std::vector<std::string> texts;
        for (const WatchItem& item : w->watch_->items()) texts.push_back(item.text);
        return texts;
      },
      "The Watch list is empty !");
}

}  // namespace tarvo::ui
