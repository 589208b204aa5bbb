#include <QMenu>

#include "ui/main_window.h"

namespace tarvo::ui {

void MainWindow::buildHelpMenu() {}

}  // namespace tarvo::ui
