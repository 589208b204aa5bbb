#pragma once

#include <QFileDialog>
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace tarvo::ui {

// Writes lists and output areas to text files. One save dialog serves
// every source, so it offers the name chosen last, whichever list was
// saved then. Lives as the window's child named "SaveToFile".
class SaveToFile : public QObject {
  Q_OBJECT
 public:
  explicit SaveToFile(QWidget* window);

  // Shows the dialog and returns the chosen file, empty when cancelled.
  // Tests replace it; the dialog then already offers the last name.
  using Chooser = std::function<QString(QFileDialog& dialog)>;
  void setChooser(Chooser chooser) { chooser_ = std::move(chooser); }

  // Empty lines: the message naming the empty source. Otherwise the dialog
  // and, unless cancelled, the file, created or overwritten; a failed write
  // shows a message and nothing else happens.
  void save(const std::vector<std::string>& lines, const QString& emptyMessage);

 private:
  QWidget* window_;
  QFileDialog* dialog_;
  QString lastName_;
  Chooser chooser_;
};

}  // namespace tarvo::ui
