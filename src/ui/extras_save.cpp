#include <QMenu>

#include "ui/main_window.h"

namespace tarvo::ui {

void MainWindow::buildSaveMenu(QMenu*) {}

}  // namespace tarvo::ui
