#include "ui/watch_tab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QResizeEvent>
#include <QScrollBar>
#include <QVBoxLayout>

#include "ui/green_black_graph.h"
#include "ui/tab_pages.h"

namespace tarvo::ui {

namespace {

constexpr int kContextWatch = 144;

template <typename W>
W* make(QWidget* parent, const char* name) {
  auto* widget = new W(parent);
  widget->setObjectName(name);
  widget->setProperty(kHelpContextProperty, kContextWatch);
  return widget;
}

QAction* entry(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

}  // namespace

void MonitorArea::setContentRows(std::size_t rows) {
  setMinimumHeight(rows == 0 ? 0 : static_cast<int>(rows) * kRowHeight + kBottomRoom);
}

void MonitorArea::placeGraph(std::size_t index) {
  if (index >= graphs.size() || graphs[index] == nullptr) return;
  graphs[index]->setGeometry(kLeft, kFirstTop + kRowHeight * static_cast<int>(index),
                             std::max(1, width() - kRightMargin - kLeft), kGraphHeight);
}

void MonitorArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (event->size().width() == event->oldSize().width()) return;
  for (std::size_t i = 0; i < graphs.size(); ++i) placeGraph(i);
}

WatchTab::WatchTab(QWidget* tabParent) {
  page = new QWidget(tabParent);
  QWidget* p = page;
  auto* listLabel = make<QLabel>(p, "Label19");
  listLabel->setText("Watch List:");
  list = make<QListWidget>(p, "CheckListBox1");
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* editLabel = make<QLabel>(p, "Label20");
  editLabel->setText("Add/Edit Item:");
  itemEdit = make<QLineEdit>(p, "Edit16");
  startButton = make<QPushButton>(p, "Button7");
  startButton->setText("&Start");
  pauseButton = make<QPushButton>(p, "Button8");
  pauseButton->setText("&Pause");
  pauseButton->setEnabled(false);
  listLabel->setBuddy(list);
  editLabel->setBuddy(itemEdit);

  monitorGroup = make<QGroupBox>(p, "GroupBox1");
  monitorGroup->setTitle(" Monitor ");
  scroll = make<QScrollArea>(monitorGroup, "ScrollBox1");
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area = new MonitorArea;
  area->setObjectName("MonitorArea");
  scroll->setWidget(area);
  historyScroll = make<QScrollArea>(monitorGroup, "HistoryScroll");
  historyScroll->setWidgetResizable(true);
  historyScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  historyArea = new QWidget;
  historyArea->setObjectName("HistoryArea");
  auto* historyLayout = new QVBoxLayout(historyArea);
  historyLayout->setContentsMargins(MonitorArea::kLeft, MonitorArea::kFirstTop,
                                    MonitorArea::kRightMargin, MonitorArea::kBottomRoom);
  historyLayout->setSpacing(MonitorArea::kRowHeight - MonitorArea::kGraphHeight);
  historyLayout->addStretch();
  historyScroll->setWidget(historyArea);
  historyScroll->hide();
  auto* groupLayout = new QVBoxLayout(monitorGroup);
  groupLayout->setContentsMargins(4, 4, 4, 4);
  groupLayout->addWidget(scroll);
  groupLayout->addWidget(historyScroll);

  auto* left = new QVBoxLayout;
  left->addWidget(listLabel);
  left->addWidget(list, 1);
  left->addWidget(editLabel);
  left->addWidget(itemEdit);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(startButton);
  buttons->addWidget(pauseButton);
  left->addLayout(buttons);
  auto* rangeLabel = make<QLabel>(p, "HistoryRangeLabel");
  rangeLabel->setText("Graphs:");
  range = make<QComboBox>(p, "HistoryRange");
  range->addItems({"Live", "5 min", "1 h", "24 h", "7 days", "All"});
  rangeLabel->setBuddy(range);
  auto* rangeRow = new QHBoxLayout;
  rangeRow->addWidget(rangeLabel);
  rangeRow->addWidget(range, 1);
  left->addLayout(rangeRow);
  auto* layout = new QHBoxLayout(page);
  layout->addLayout(left);
  layout->addWidget(monitorGroup, 1);
  // Room for an address and a check box; the graphs take the rest.
  const int column = list->fontMetrics().horizontalAdvance(QString(20, '0'));
  for (QWidget* w : {static_cast<QWidget*>(list), static_cast<QWidget*>(itemEdit)})
    w->setMaximumWidth(column);

  menu = new QMenu(list);
  menu->setObjectName("PopupMenu1");
  getReached = entry(menu, "GetReached1", "Get &reached hosts list");
  getNotReached = entry(menu, "GetNotReached1", "Get &NOT reached hosts list");
  loadFile = entry(menu, "LoadList1", "Load list from &file...");
  menu->addSeparator();
  editItem = entry(menu, "EditItem1", "&Edit item");
  deleteItems = entry(menu, "DeleteItems1", "&Delete Item(s)");
  clearList = entry(menu, "ClearList1", "&Clear watch list");
  menu->addSeparator();
  checkAll = entry(menu, "CheckAll1", "Check &all items");
  uncheckAll = entry(menu, "UncheckAll1", "Uncheck a&ll items");
  reverseChecks = entry(menu, "ReverseChecks1", "Re&verse items check");
  menu->addSeparator();
  sortList = entry(menu, "SortList1", "&Sort watch list");
}

}  // namespace tarvo::ui
