#include "ui/advanced_options_dialog.h"
#include "ui/main_window.h"
#include "ui/ping_page.h"
#include "ui/trace_page.h"

namespace tarvo::ui {

void MainWindow::showAdvancedOptions() {
  AdvancedOptionsDialog dialog(values_, ipOptionsSupported_, this);
  dialog.move(pos() + advancedOptionsOffset_);
  const int result = dialog.exec();
  advancedOptionsOffset_ = dialog.pos() - pos();
  if (result != QDialog::Accepted) return;
  values_ = dialog.values();
  ping_->trimHistory(values_.historySize);
  trace_->showResolveNames(values_.traceResolveNames);
}

}  // namespace tarvo::ui
