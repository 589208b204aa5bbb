#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace tarvo::ui {

// The texts of the About box.
inline constexpr const char* kAboutTitleBefore = "The";
inline constexpr const char* kAboutProduct = "Tarvo";
inline constexpr const char* kAboutTitleAfter = "Network Tool";
inline constexpr const char* kAboutMaker = "Made by Dravenco";
inline constexpr const char* kAboutAddress = "https://tarvo.example.org/";
QString aboutVersionText();  // "Version " and the version of the build

// "Info about...": the title, the version, the maker and the web address,
// which opens in the desktop's browser.
class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent = nullptr);

  // Opens the web address with the desktop's URL handler.
  void openAddress();
};

}  // namespace tarvo::ui
