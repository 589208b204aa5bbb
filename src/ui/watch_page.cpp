#include "ui/watch_page.h"

#include <QWidget>

namespace tarvo::ui {

WatchPage::WatchPage(PageHost& host, QWidget* tabParent)
    : TabPage(host), page_(new QWidget(tabParent)) {}

}  // namespace tarvo::ui
