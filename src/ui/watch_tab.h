#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QWidget>
#include <vector>

namespace tarvo::ui {

class TGreenBlack;

// The monitor area's content: graph i sits at its fixed row and follows the
// area's width.
class MonitorArea : public QWidget {
 public:
  static constexpr int kGraphHeight = 82;
  static constexpr int kRowHeight = 87;  // graph and gap
  static constexpr int kFirstTop = 6;
  static constexpr int kLeft = 2;
  static constexpr int kRightMargin = 6;  // beyond the left edge's 2
  static constexpr int kBottomRoom = 10;

  using QWidget::QWidget;
  // The graphs, by index; null entries are free rows.
  std::vector<TGreenBlack*> graphs;
  // The height the scroll area gives room for (0: none).
  void setContentRows(std::size_t rows);
  void placeGraph(std::size_t index);

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

// The Watch tab's controls; objectNames are the form names.
struct WatchTab {
  explicit WatchTab(QWidget* tabParent);

  QWidget* page;
  QListWidget* list;         // CheckListBox1: the watch list, multi-selection
  QLineEdit* itemEdit;       // Edit16: "Add/Edit Item:"
  QPushButton* startButton;  // Button7: "&Start" / "S&top" / "Wait..."
  QPushButton* pauseButton;  // Button8: "&Pause" / "&Resume"
  QGroupBox* monitorGroup;   // GroupBox1: " Monitor "
  QScrollArea* scroll;       // ScrollBox1
  MonitorArea* area;
  QComboBox* range;            // HistoryRange: the graphs' time, "Live" or from the history
  QScrollArea* historyScroll;  // HistoryScroll: in place of ScrollBox1 unless "Live"
  QWidget* historyArea;        // HistoryArea: the history graphs, top down
  QMenu* menu;                 // PopupMenu1, in the order the user sees it
  QAction* getReached;         // GetReached1
  QAction* getNotReached;      // GetNotReached1
  QAction* loadFile;           // LoadList1
  QAction* editItem;           // EditItem1
  QAction* deleteItems;        // DeleteItems1
  QAction* clearList;          // ClearList1
  QAction* checkAll;           // CheckAll1
  QAction* uncheckAll;         // UncheckAll1
  QAction* reverseChecks;      // ReverseChecks1
  QAction* sortList;           // SortList1
};

}  // namespace tarvo::ui
