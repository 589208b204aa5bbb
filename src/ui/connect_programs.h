#pragma once

#include <QObject>
#include <QPoint>

#include "settings/additional_programs.h"
#include "settings/settings.h"

class QComboBox;
class QPushButton;
class QWidget;

namespace tarvo::ui {

// The Ping tab's "Connect progs:" list and "&Go": hands the selected reached
// host to the selected program, and opens the programs dialog.
class ConnectPrograms : public QObject {
  Q_OBJECT
 public:
  ConnectPrograms(settings::AdditionalPrograms& programs, settings::Settings& values,
                  QComboBox* progsList, QPushButton* goButton, QComboBox* reachedList,
                  QWidget* window);

  // The show steps: every entry's name, the active entry selected.
  void fill();
  // Before a save: the list's selection becomes the active entry.
  void storeSelection();
  // The programs dialog, modal; applies its working copy on "&OK".
  void editPrograms();
  void go();

 private:
  void onChosen(int index);

  settings::AdditionalPrograms& programs_;
  settings::Settings& values_;
  QComboBox* progsList_;
  QComboBox* reachedList_;
  QWidget* window_;
  QPoint dialogOffset_;  // the dialog's place relative to the window, while running
};

}  // namespace tarvo::ui
