#pragma once

#include <QDialog>

#include "settings/program_edit_list.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace tarvo::ui {

// "Additional Commands and Arguments": edits a working copy of the user
// programs; the caller applies it when the dialog is accepted.
class AdditionalProgramsDialog : public QDialog {
  Q_OBJECT
 public:
  AdditionalProgramsDialog(const settings::AdditionalPrograms& programs, std::int32_t activeCommand,
                           QWidget* parent);

  const settings::ProgramEditList& workingCopy() const { return list_; }

 private:
  void build();
  void fillList();
  void showProgram();
  settings::ProgramFields fields() const;
  // "&Add / Update"; silent: no message for empty required fields.
  void addOrUpdate(bool silent);
  void onDelete();
  void onBrowse();
  void onOk();

  settings::ProgramEditList list_;
  QListWidget* listBox_ = nullptr;
  QLineEdit* commandEdit_ = nullptr;  // Edit3
  QLineEdit* preIpEdit_ = nullptr;    // Edit1
  QLineEdit* postIpEdit_ = nullptr;   // Edit2
  QLineEdit* nameEdit_ = nullptr;     // Edit4
};

}  // namespace tarvo::ui
