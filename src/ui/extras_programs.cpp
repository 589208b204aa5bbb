#include "ui/connect_programs.h"
#include "ui/main_window.h"
#include "ui/ping_page.h"

namespace tarvo::ui {

ConnectPrograms* MainWindow::connectPrograms() {
  const PingTab& tab = ping_->tab();
  auto* progs = new ConnectPrograms(store_->programs(), values_, tab.progsList, tab.goButton,
                                    tab.reachedList, this);
  progs->fill();
  return progs;
}

void MainWindow::storeProgramSelection() {
  if (progs_ != nullptr) progs_->storeSelection();
}

void MainWindow::showAdditionalPrograms() {
  if (progs_ != nullptr) progs_->editPrograms();
}

}  // namespace tarvo::ui
