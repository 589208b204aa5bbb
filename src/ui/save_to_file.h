#pragma once

#include <QFileDialog>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

namespace tarvo::ui {

// Writes lists, output areas and exports to files. One save dialog serves
// every source of a saver, so it offers the name chosen last, whichever
// source was saved then. Lives as a child of the window, by its name
// ("SaveToFile" for the lists and output areas).
class SaveToFile : public QObject {
  Q_OBJECT
 public:
  explicit SaveToFile(QWidget* window, const QString& name = "SaveToFile",
                      const QStringList& filters = {"All files (*)", "txt files (*.txt)",
                                                    "wri files (*.wri)"});

  // Shows the dialog and returns the chosen file, empty when cancelled.
  // Tests replace it; the dialog then already offers the last name.
  using Chooser = std::function<QString(QFileDialog& dialog)>;
  void setChooser(Chooser chooser) { chooser_ = std::move(chooser); }

  // Empty lines: the message naming the empty source. Otherwise the dialog
  // and, unless cancelled, the file, created or overwritten; a failed write
  // shows a message and nothing else happens.
  void save(const std::vector<std::string>& lines, const QString& emptyMessage);

  // The dialog: the chosen file, empty when cancelled.
  QString choose();
  // Puts `bytes` in the file whole or not at all: they go to a new file
  // beside it that then replaces it. Anything but a regular file (a FIFO,
  // a folder) is refused without being opened, as is a link planted by
  // another user. A failure is shown; true when written.
  bool writeWhole(const QString& name, const std::string& bytes);
  // The message box of a file that was not written.
  void showFailure(const QString& name, const QString& why);

 private:
  QFileDialog& dialog();

  QWidget* window_;
  QStringList filters_;
  QFileDialog* dialog_ = nullptr;  // made when first needed
  QString lastName_;
  Chooser chooser_;
};

}  // namespace tarvo::ui
