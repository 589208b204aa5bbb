#include "ui/main_window.h"

namespace tarvo::ui {

void MainWindow::showAdvancedOptions() {}

}  // namespace tarvo::ui
