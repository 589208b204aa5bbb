#include <QMenu>

#include "ui/main_window.h"

namespace tarvo::ui {

void MainWindow::buildTray() {}

}  // namespace tarvo::ui
