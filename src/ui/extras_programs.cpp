#include "ui/main_window.h"

namespace tarvo::ui {

void MainWindow::showAdditionalPrograms() {}

}  // namespace tarvo::ui
