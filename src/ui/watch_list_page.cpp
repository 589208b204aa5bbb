// The watch list side of the Watch tab.
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "ui/kept_watch_list.h"
#include "ui/trace_page.h"
#include "ui/watch_page.h"
#include "watch/watch_list.h"

namespace tarvo::ui {

namespace {

std::string text(const QListWidgetItem* item) { return item->text().toStdString(); }
bool checked(const QListWidgetItem* item) { return item->checkState() == Qt::Checked; }

// Why a list file added nothing; empty when it was read, and when it does
// not exist (an autostart file is optional).
QString refusal(WatchListRead read, int error, const QString& path) {
  switch (read) {
    case WatchListRead::NotRegularFile:
      return "The watch list was not loaded: " + path + " is not a regular file.";
    case WatchListRead::TooLarge:
      return "The watch list was not loaded: " + path + " is larger than 16 MiB.";
    case WatchListRead::Unreadable:
      if (error == ENOENT) break;
      return "The watch list was not loaded: " + path + ": " +
             QString::fromLocal8Bit(std::strerror(error)) + ".";
    case WatchListRead::Ok:
      break;
  }
  return {};
}

}  // namespace

void WatchPage::connectList() {
  QWidget* p = tab_.page;
  QListWidget* list = tab_.list;
  QObject::connect(list, &QListWidget::itemClicked, p,
                   [this](QListWidgetItem* item) { tab_.itemEdit->setText(item->text()); });
  QObject::connect(list, &QListWidget::itemChanged, p, [this] { updateCounter(true); });
  QObject::connect(list, &QWidget::customContextMenuRequested, p, [this](const QPoint& pos) {
    prepareMenu(pos);
    tab_.menu->popup(tab_.list->viewport()->mapToGlobal(pos));
  });
  QObject::connect(tab_.itemEdit, &QLineEdit::returnPressed, p, [this] { enterItem(); });
  QObject::connect(tab_.getReached, &QAction::triggered, p, [this] { appendHosts(true); });
  QObject::connect(tab_.getNotReached, &QAction::triggered, p, [this] { appendHosts(false); });
  QObject::connect(tab_.loadFile, &QAction::triggered, p, [this] {
    QString path = QFileDialog::getOpenFileName(
        tab_.page, "Open", QString(), "All files (*);;txt files (*.txt);;wri files (*.wri)");
    showListRefusal(mergeListFile(path), Qt::WindowModal);
  });
  QObject::connect(tab_.editItem, &QAction::triggered, p, [this] { editCurrent(); });
  QObject::connect(tab_.deleteItems, &QAction::triggered, p, [this] { deleteSelected(); });
  QObject::connect(tab_.clearList, &QAction::triggered, p, [this] { clearList(); });
  QObject::connect(tab_.checkAll, &QAction::triggered, p, [this] { setChecks(Checks::All); });
  QObject::connect(tab_.uncheckAll, &QAction::triggered, p, [this] { setChecks(Checks::None); });
  QObject::connect(tab_.reverseChecks, &QAction::triggered, p,
                   [this] { setChecks(Checks::Reverse); });
  QObject::connect(tab_.sortList, &QAction::triggered, p, [this] { sortList(); });

  // Every change of the list, however made, reaches the kept copy.
  keepSoon_ = new QTimer(p);
  keepSoon_->setSingleShot(true);
  keepSoon_->setInterval(1000);
  QObject::connect(keepSoon_, &QTimer::timeout, p, [this] { keepList(false); });
  const QAbstractItemModel* model = list->model();
  auto changed = [this] { listChanged(); };
  // Tied to the timer, which this page deletes as it goes: the list widget
  // empties its model when the window takes it down later, and that must
  // reach nothing.
  QObject::connect(model, &QAbstractItemModel::rowsInserted, keepSoon_, changed);
  QObject::connect(model, &QAbstractItemModel::rowsRemoved, keepSoon_, changed);
  QObject::connect(model, &QAbstractItemModel::rowsMoved, keepSoon_, changed);
  QObject::connect(model, &QAbstractItemModel::modelReset, keepSoon_, changed);
  QObject::connect(model, &QAbstractItemModel::layoutChanged, keepSoon_, changed);
  QObject::connect(model, &QAbstractItemModel::dataChanged, keepSoon_, changed);
}

void WatchPage::listChanged() {
  if (!keptLoaded_) return;
  listDirty_ = true;
  keepSoon_->start();
}

void WatchPage::loadKeptList() {
  const KeptWatchList kept = readKeptWatchList(keptWatchListPath());
  setItems(kept.items);
  updateCounter(false);
  keptLoaded_ = true;
  listDirty_ = false;
  if (!kept.problem.empty()) setMonitorText("  " + kept.problem);
}

void WatchPage::keepList(bool exiting) {
  keepSoon_->stop();
  if (!listDirty_) return;
  listDirty_ = false;
  const std::string why = writeKeptWatchList(keptWatchListPath(), items());
  if (why.empty()) return;
  const std::string line = "The watch list was not kept: " + why;
  // A closing window has no status line left to say it in.
  if (exiting) {
    std::fprintf(stderr, "tarvo: %s\n", line.c_str());
  } else {
    setMonitorText("  " + line);
  }
}

std::vector<WatchItem> WatchPage::items() const {
  std::vector<WatchItem> out;
  out.reserve(static_cast<std::size_t>(tab_.list->count()));
  for (int i = 0; i < tab_.list->count(); ++i) {
    const QListWidgetItem* item = tab_.list->item(i);
    out.push_back({text(item), checked(item)});
  }
  return out;
}

void WatchPage::appendItem(const std::string& itemText, bool isChecked) {
  auto* item = new QListWidgetItem(QString::fromStdString(itemText));
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(isChecked ? Qt::Checked : Qt::Unchecked);
  tab_.list->addItem(item);
}

void WatchPage::setItems(const std::vector<WatchItem>& items) {
  // One batch: no repaint and no counter update per item.
  tab_.list->setUpdatesEnabled(false);
  {
    QSignalBlocker quiet(tab_.list);
    tab_.list->clear();
    for (const WatchItem& item : items) appendItem(item.text, item.checked);
  }
  tab_.list->setUpdatesEnabled(true);
}

void WatchPage::enterItem() {
  std::string entered = tab_.itemEdit->text().toStdString();
  const std::vector<WatchItem> current = items();
  // A text equal to an existing one (case ignored) is neither added nor put
  // in place of the edited item, and editing goes on.
  if (!findWatchItem(current, entered)) {
    QSignalBlocker quiet(tab_.list);
    if (editMode_) {
      if (QListWidgetItem* item = tab_.list->item(editIndex_)) {
        item->setText(QString::fromStdString(entered));
        item->setCheckState(editChecked_ ? Qt::Checked : Qt::Unchecked);
      }
      editMode_ = false;
    } else {
      appendItem(entered, true);
    }
  }
  updateCounter(true);
  tab_.itemEdit->selectAll();
}

void WatchPage::editCurrent() {
  QListWidgetItem* item = tab_.list->currentItem();
  if (item == nullptr) return;
  editMode_ = true;
  editIndex_ = tab_.list->row(item);
  editChecked_ = checked(item);
  tab_.list->clearSelection();
  item->setSelected(true);
  tab_.itemEdit->setText(item->text());
  tab_.itemEdit->setFocus();
}

void WatchPage::deleteSelected() {
  editMode_ = false;
  std::vector<int> rows;
  for (const QListWidgetItem* item : tab_.list->selectedItems())
    rows.push_back(tab_.list->row(item));
  std::sort(rows.rbegin(), rows.rend());
  {
    QSignalBlocker quiet(tab_.list);
    for (int row : rows) delete tab_.list->takeItem(row);
  }
  updateCounter(true);
}

void WatchPage::clearList() {
  editMode_ = false;
  {
    QSignalBlocker quiet(tab_.list);
    tab_.list->clear();
  }
  updateCounter(true);
  tab_.itemEdit->clear();
}

void WatchPage::setChecks(Checks checks) {
  if (tab_.list->count() == 0) return;
  {
    QSignalBlocker quiet(tab_.list);
    for (int i = 0; i < tab_.list->count(); ++i) {
      QListWidgetItem* item = tab_.list->item(i);
      bool on = checks == Checks::All ? true : checks == Checks::None ? false : !checked(item);
      item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
  }
  updateCounter(true);
}

void WatchPage::appendHosts(bool reached) {
  const QComboBox* source = reached ? trace_.reachedList() : trace_.notReachedList();
  std::vector<WatchItem> current = items();
  tab_.list->setUpdatesEnabled(false);
  {
    QSignalBlocker quiet(tab_.list);
    for (int i = 0; i < source->count(); ++i) {
      std::string host = source->itemText(i).toStdString();
      if (findWatchItem(current, host)) continue;
      current.push_back({host, true});
      appendItem(host, true);
    }
  }
  tab_.list->setUpdatesEnabled(true);
  updateCounter(true);
}

QString WatchPage::mergeListFile(const QString& path, bool showNow) {
  std::vector<std::string> lines;
  // A file that cannot be read, or is too large to be a list, adds nothing;
  // the list is still rebuilt.
  QString why;
  if (!path.isEmpty()) {
    std::string bytes;
    int error = 0;
    const WatchListRead read =
        readWatchListFile(QFile::encodeName(path).toStdString(), bytes, &error);
    if (read == WatchListRead::Ok) lines = parseWatchList(bytes);
    why = refusal(read, error, path);
  }
  std::vector<std::string> merged;
  for (const WatchItem& item : items()) merged.push_back(item.text);
  mergeWatchList(merged, lines);
  std::vector<WatchItem> rebuilt;
  rebuilt.reserve(merged.size());
  for (std::string& line : merged) rebuilt.push_back({std::move(line), true});
  setItems(rebuilt);
  updateCounter(showNow);
  return why;
}

void WatchPage::showListRefusal(const QString& why, Qt::WindowModality modality) {
  if (why.isEmpty()) return;
  // Never exec(): the window's runs go on while the box waits for the user.
  auto* box = new QMessageBox(QMessageBox::Warning, "Watch list not loaded", why, QMessageBox::Ok,
                              tab_.page->window());
  box->setObjectName("WatchListNotLoaded");
  box->setTextFormat(Qt::PlainText);  // a file name is no markup
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(modality);
  box->show();
}

void WatchPage::sortList() {
  editMode_ = false;
  if (tab_.list->count() == 0) return;
  setItems(sortedWatchList(items()));
}

void WatchPage::updateCounter(bool showNow) {
  counterText_ = watchCounterText(items());
  if (showNow) showStatus();
}

void WatchPage::prepareMenu(const QPoint& pos) {
  const bool filled = tab_.list->count() > 0;
  tab_.getReached->setEnabled(trace_.reachedList()->count() > 0);
  tab_.getNotReached->setEnabled(trace_.notReachedList()->count() > 0);
  for (QAction* action : {tab_.editItem, tab_.deleteItems, tab_.clearList, tab_.checkAll}) {
    action->setEnabled(filled);
  }
  if (!filled) return;
  QModelIndex index = tab_.list->indexAt(pos);
  if (index.isValid()) {
    tab_.list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  }
}

bool WatchPage::mergeAutoStartFile() {
  const settings::Settings& values = host_.settings();
  if (!values.autoStartFile.empty() &&
      QFileInfo::exists(QString::fromStdString(values.autoStartFile))) {
    tab_.list->setEnabled(false);
    const QString why = mergeListFile(QString::fromStdString(values.autoStartFile), false);
    tab_.list->setEnabled(true);
    // The program may have been started with nobody at the screen: the box
    // waits for the user without holding up the window or a monitor.
    showListRefusal(why, Qt::NonModal);
  }
  return values.autoStart && tab_.list->count() > 0;
}

}  // namespace tarvo::ui
