#include "ui/save_to_file.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>

#include "settings/saved_lines.h"

namespace tarvo::ui {

SaveToFile::SaveToFile(QWidget* window)
    : QObject(window), window_(window), dialog_(new QFileDialog(window)) {
  setObjectName("SaveToFile");
  dialog_->setObjectName("SaveDialog");
  dialog_->setWindowTitle("Save");
  dialog_->setAcceptMode(QFileDialog::AcceptSave);
  dialog_->setFileMode(QFileDialog::AnyFile);
  // The name is used as typed: no extension is added, and the file is
  // overwritten without asking.
  dialog_->setDefaultSuffix(QString());
  dialog_->setOption(QFileDialog::DontConfirmOverwrite);
  dialog_->setNameFilters({"All files (*)", "txt files (*.txt)", "wri files (*.wri)"});
  dialog_->setDirectory(QDir::home());
  chooser_ = [](QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
  };
}

void SaveToFile::save(const std::vector<std::string>& lines, const QString& emptyMessage) {
  if (lines.empty()) {
    QMessageBox box(QMessageBox::Critical, "Not able to save to file", emptyMessage,
                    QMessageBox::Ok, window_);
    box.setObjectName("NotAbleToSave");
    box.exec();
    return;
  }
  if (!lastName_.isEmpty()) dialog_->selectFile(lastName_);
  QString name = chooser_(*dialog_);
  if (name.isEmpty()) return;
  lastName_ = name;

  std::string bytes = settings::savedLinesBytes(lines);
  QFile file(name);
  bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                 file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
                     static_cast<qint64>(bytes.size());
  if (written && file.flush()) return;
  QMessageBox box(QMessageBox::Critical, "Error",
                  QString("Cannot create file \"%1\". %2").arg(name, file.errorString()),
                  QMessageBox::Ok, window_);
  box.setObjectName("SaveFailed");
  box.exec();
}

}  // namespace tarvo::ui
