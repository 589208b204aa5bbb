#include "ui/connect_programs.h"

#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>

#include "settings/program_launch.h"
#include "ui/additional_programs_dialog.h"

namespace tarvo::ui {

ConnectPrograms::ConnectPrograms(settings::AdditionalPrograms& programs, settings::Settings& values,
                                 QComboBox* progsList, QPushButton* goButton,
                                 QComboBox* reachedList, QWidget* window)
    : QObject(window),
      programs_(programs),
      values_(values),
      progsList_(progsList),
      reachedList_(reachedList),
      window_(window) {
  connect(progsList_, &QComboBox::activated, this, &ConnectPrograms::onChosen);
  // Any program chosen is the one the edit entry's Cancel returns to, also
  // when it was chosen by keyboard without opening the drop-down.
  connect(progsList_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 1) values_.activeCommand = index;
  });
  connect(goButton, &QPushButton::clicked, this, &ConnectPrograms::go);
}

void ConnectPrograms::fill() {
  QSignalBlocker quiet(progsList_);
  progsList_->clear();
  for (const auto& name : programs_.names) progsList_->addItem(QString::fromStdString(name));
  values_.activeCommand = settings::selectableCommand(values_.activeCommand, programs_.size());
  progsList_->setCurrentIndex(values_.activeCommand);
}

void ConnectPrograms::storeSelection() {
  // The edit entry is selected only while it opens the dialog.
  if (progsList_->currentIndex() >= 1) values_.activeCommand = progsList_->currentIndex();
}

void ConnectPrograms::onChosen(int index) {
  if (index == 0) editPrograms();
}

void ConnectPrograms::editPrograms() {
  storeSelection();
  AdditionalProgramsDialog dialog(programs_, values_.activeCommand, window_);
  dialog.move(window_->pos() + dialogOffset_);
  bool accepted = dialog.exec() == QDialog::Accepted;
  dialogOffset_ = dialog.pos() - window_->pos();
  if (accepted) {
    std::int32_t selected = dialog.workingCopy().applyTo(programs_);
    QSignalBlocker quiet(progsList_);
    progsList_->clear();
    for (const auto& name : programs_.names) progsList_->addItem(QString::fromStdString(name));
    values_.activeCommand = selected;
  }
  QSignalBlocker quiet(progsList_);
  progsList_->setCurrentIndex(settings::selectableCommand(values_.activeCommand, programs_.size()));
}

void ConnectPrograms::go() {
  std::vector<std::string> reached;
  for (int i = 0; i < reachedList_->count(); ++i) {
    reached.push_back(reachedList_->itemText(i).toStdString());
  }
  std::optional<std::size_t> host;
  if (reachedList_->currentIndex() >= 0) host = reachedList_->currentIndex();
  int entry = progsList_->currentIndex();
  if (entry < 0) return;
  auto command =
      settings::composeProgramCommand(programs_, static_cast<std::size_t>(entry), reached, host);
  if (!command) return;
  auto failure = settings::launchProgram(*command);
  if (!failure) return;
  QMessageBox box(QMessageBox::Critical, "Error Executing Command",
                  QString::fromStdString(*failure), QMessageBox::Ok, window_);
  box.setObjectName("ErrorExecutingCommand");
  box.exec();
}

}  // namespace tarvo::ui
