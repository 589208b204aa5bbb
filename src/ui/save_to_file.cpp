#include "ui/save_to_file.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <cerrno>
#include <cstring>

#include "settings/registry_file.h"
#include "settings/saved_lines.h"

namespace tarvo::ui {

SaveToFile::SaveToFile(QWidget* window, const QString& name, const QStringList& filters)
    : QObject(window), window_(window), filters_(filters) {
  setObjectName(name);
  chooser_ = [](QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
  };
}

QFileDialog& SaveToFile::dialog() {
  if (dialog_ != nullptr) return *dialog_;
  dialog_ = new QFileDialog(window_);
  dialog_->setObjectName("SaveDialog");
  dialog_->setWindowTitle("Save");
  dialog_->setAcceptMode(QFileDialog::AcceptSave);
  dialog_->setFileMode(QFileDialog::AnyFile);
  // The name is used as typed: no extension is added, and the file is
  // overwritten without asking.
  dialog_->setDefaultSuffix(QString());
  dialog_->setOption(QFileDialog::DontConfirmOverwrite);
  dialog_->setNameFilters(filters_);
  dialog_->setDirectory(QDir::home());
  return *dialog_;
}

QString SaveToFile::choose() {
  if (!lastName_.isEmpty()) dialog().selectFile(lastName_);
  QString name = chooser_(dialog());
  if (!name.isEmpty()) lastName_ = name;
  return name;
}

void SaveToFile::save(const std::vector<std::string>& lines, const QString& emptyMessage) {
  if (lines.empty()) {
    QMessageBox box(QMessageBox::Critical, "Not able to save to file", emptyMessage,
                    QMessageBox::Ok, window_);
    box.setObjectName("NotAbleToSave");
    box.exec();
    return;
  }
  QString name = choose();
  if (name.isEmpty()) return;

  writeWhole(name, settings::savedLinesBytes(lines));
}

bool SaveToFile::writeWhole(const QString& name, const std::string& bytes) {
  // The user's own link leads to the file it names; a link planted by
  // someone else, a FIFO or a device is refused rather than followed or
  // waited on, and the file is replaced whole or not at all.
  const settings::ResolvedFile target =
      settings::resolveRegistryFile(QFile::encodeName(name).toStdString());
  std::string why = target.error;
  struct stat st {};
  if (why.empty() && ::stat(target.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    why = std::strerror(EISDIR);
  }
  if (why.empty()) why = settings::writeFileAtomically(target.path, bytes).error;
  if (why.empty()) return true;
  showFailure(name, QString::fromStdString(why));
  return false;
}

void SaveToFile::showFailure(const QString& name, const QString& why) {
  QMessageBox box(QMessageBox::Critical, "Error",
                  QString("Cannot create file \"%1\". %2").arg(name, why), QMessageBox::Ok,
                  window_);
  box.setObjectName("SaveFailed");
  box.exec();
}

}  // namespace tarvo::ui
