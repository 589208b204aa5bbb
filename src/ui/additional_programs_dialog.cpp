#include "ui/additional_programs_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace tarvo::ui {

namespace {

// A caption followed by the red mark of a required field.
QLabel* requiredLabel(const QString& caption, QWidget* parent) {
  auto* label = new QLabel(caption + " <span style=\"color:red\"> * </span>", parent);
  label->setTextFormat(Qt::RichText);
  return label;
}

QPushButton* makeButton(const char* formName, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(formName);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

AdditionalProgramsDialog::AdditionalProgramsDialog(const settings::AdditionalPrograms& programs,
                                                   std::int32_t activeCommand, QWidget* parent)
    : QDialog(parent), list_(programs, activeCommand) {
  setObjectName("TTEnterArgs");
  setWindowTitle("Additional Commands and Arguments");
  build();
  fillList();
  showProgram();
}

void AdditionalProgramsDialog::build() {
  auto* syntax = new QLabel(
      "Command Syntax:  COMMAND [Pre IP Arguments] IP_ADDRESS [Post IP Arguments]", this);
  syntax->setObjectName("Panel1");
  syntax->setFrameShape(QFrame::Panel);
  syntax->setFrameShadow(QFrame::Raised);
  syntax->setMargin(6);

  auto* listLabel = new QLabel("Additional commands:", this);
  listBox_ = new QListWidget(this);
  listBox_->setObjectName("ListBox1");
  listLabel->setBuddy(listBox_);

  auto* group = new QGroupBox(" Enter the Command Line and the Arguments  ", this);
  commandEdit_ = new QLineEdit(group);
  commandEdit_->setObjectName("Edit3");
  // Room for a program's path; the dialog grows with it.
  commandEdit_->setMinimumWidth(commandEdit_->fontMetrics().horizontalAdvance(QString(32, 'x')));
  auto* browse = makeButton("Button3", "...", group);
  browse->setFixedWidth(browse->fontMetrics().horizontalAdvance("...") + 20);
  preIpEdit_ = new QLineEdit(group);
  preIpEdit_->setObjectName("Edit1");
  postIpEdit_ = new QLineEdit(group);
  postIpEdit_->setObjectName("Edit2");
  nameEdit_ = new QLineEdit(group);
  nameEdit_->setObjectName("Edit4");
  auto* fieldsGrid = new QGridLayout(group);
  fieldsGrid->addWidget(requiredLabel("COMMAND:", group), 0, 0);
  fieldsGrid->addWidget(commandEdit_, 0, 1);
  fieldsGrid->addWidget(browse, 0, 2);
  fieldsGrid->addWidget(new QLabel("Pre IP Arguments:", group), 1, 0);
  fieldsGrid->addWidget(preIpEdit_, 1, 1, 1, 2);
  fieldsGrid->addWidget(new QLabel("Post IP Arguments:", group), 2, 0);
  fieldsGrid->addWidget(postIpEdit_, 2, 1, 1, 2);
  fieldsGrid->addWidget(requiredLabel("Displayed Name:", group), 3, 0);
  fieldsGrid->addWidget(nameEdit_, 3, 1, 1, 2);
  auto* legend = new QLabel("<span style=\"color:red\"> * </span>Required fields", group);
  legend->setTextFormat(Qt::RichText);
  fieldsGrid->addWidget(legend, 4, 1, 1, 2);

  auto* deleteButton = makeButton("Button5", "&Delete", this);
  auto* addButton = makeButton("Button4", "&Add / Update", this);
  auto* okButton = makeButton("Button1", "&OK", this);
  auto* cancelButton = makeButton("Button2", "&Cancel", this);
  okButton->setDefault(true);

  auto* listColumn = new QVBoxLayout;
  listColumn->addWidget(listLabel);
  listColumn->addWidget(listBox_, 1);
  auto* middle = new QHBoxLayout;
  middle->addLayout(listColumn, 2);
  middle->addWidget(group, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(deleteButton);
  buttons->addWidget(addButton);
  buttons->addStretch(1);
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* status = new QStatusBar(this);
  status->setObjectName("StatusBar1");
  status->setSizeGripEnabled(false);

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(syntax);
  outer->addLayout(middle, 1);
  outer->addLayout(buttons);
  outer->addWidget(status);
  // The content decides the size; the classic size is the least.
  setMinimumSize(536, 315);
  outer->setSizeConstraint(QLayout::SetMinimumSize);

  connect(listBox_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    list_.select(static_cast<std::size_t>(row));
    showProgram();
  });
  connect(addButton, &QPushButton::clicked, this, [this] { addOrUpdate(false); });
  connect(deleteButton, &QPushButton::clicked, this, [this] { onDelete(); });
  connect(browse, &QPushButton::clicked, this, [this] { onBrowse(); });
  connect(okButton, &QPushButton::clicked, this, [this] { onOk(); });
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void AdditionalProgramsDialog::fillList() {
  QSignalBlocker quiet(listBox_);
  listBox_->clear();
  for (const auto& name : list_.names()) listBox_->addItem(qs(name));
  if (!list_.empty()) listBox_->setCurrentRow(static_cast<int>(list_.selected()));
}

void AdditionalProgramsDialog::showProgram() {
  auto program = list_.shown();
  if (!program) return;
  preIpEdit_->setText(qs(program->preIp));
  postIpEdit_->setText(qs(program->postIp));
  commandEdit_->setText(qs(program->commandLine));
  nameEdit_->setText(qs(program->name));
}

settings::ProgramFields AdditionalProgramsDialog::fields() const {
  return {ss(commandEdit_->text()), ss(nameEdit_->text()), ss(preIpEdit_->text()),
          ss(postIpEdit_->text())};
}

void AdditionalProgramsDialog::addOrUpdate(bool silent) {
  if (!list_.addOrUpdate(fields())) {
    if (silent) return;
    QMessageBox box(QMessageBox::Critical, "Stop", "Please enter the required fields !",
                    QMessageBox::Ok, this);
    box.setObjectName("RequiredFields");
    box.exec();
    return;
  }
  fillList();
  showProgram();
}

void AdditionalProgramsDialog::onDelete() {
  if (list_.empty()) return;
  list_.removeSelected();
  fillList();
  if (list_.empty()) {
    for (QLineEdit* edit : {commandEdit_, preIpEdit_, postIpEdit_, nameEdit_}) edit->clear();
  } else {
    showProgram();
  }
}

void AdditionalProgramsDialog::onBrowse() {
  QString file = QFileDialog::getOpenFileName(this, "Select Command File", QDir::homePath(),
                                              "All files (*);;Scripts (*.sh)");
  if (file.isEmpty()) return;
  commandEdit_->setText(file);
  QString name = qs(settings::programNameFromCommand(ss(file)));
  if (!name.isEmpty()) nameEdit_->setText(name);
}

void AdditionalProgramsDialog::onOk() {
  addOrUpdate(true);
  accept();
}

}  // namespace tarvo::ui
