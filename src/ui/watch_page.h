#pragma once

#include "ui/tab_page.h"

namespace tarvo::ui {

// The Watch tab: an empty page for now; the monitor's controls and runs
// come here.
class WatchPage : public TabPage {
 public:
  WatchPage(PageHost& host, QWidget* tabParent);

  QWidget* page() const override { return page_; }

 private:
  QWidget* page_;
};

}  // namespace tarvo::ui
