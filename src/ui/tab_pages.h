#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <array>

#include "ui/octet_edit.h"

namespace tarvo::ui {

// The controls of the tab pages, laid out so that they follow the window as
// it grows and take the room a larger font needs; objectNames are the form
// names. Each page's output area fills the page below its controls.

// The Ping tab's controls.
struct PingTab {
  explicit PingTab(QWidget* tabParent);

  QWidget* page;
  QLabel* hostLabel;                // Label1
  QComboBox* hostCombo;             // ComboBox4
  std::array<OctetEdit*, 4> first;  // Edit1, Edit6, Edit7, Edit8
  QLabel* lastLabel;                // Label9
  std::array<OctetEdit*, 4> last;   // Edit9, Edit10 (always disabled), Edit11, Edit12
  QCheckBox* rangeBox;              // CheckBox1
  QLabel* countLabel;               // Label2
  QLineEdit* countEdit;             // Edit2
  QLineEdit* waitEdit;              // Edit3
  QLineEdit* delayEdit;             // Edit4
  QLineEdit* bytesEdit;             // Edit5
  StartButton* startButton;         // Button1
  QPushButton* clearButton;         // Button4
  QPushButton* exitButton;          // Button2
  QComboBox* reachedList;           // ComboBox1
  QComboBox* progsList;             // ComboBox5, "Connect progs:"
  QPushButton* goButton;            // GoButton
  QPlainTextEdit* memo;             // Memo1

  // The six editable octet fields in the order "." moves through them.
  std::array<OctetEdit*, 6> editableOctets() const {
    return {first[0], first[1], first[2], first[3], last[2], last[3]};
  }
};

// The Traceroute tab's controls.
struct TraceTab {
  explicit TraceTab(QWidget* tabParent);

  QWidget* page;
  QLineEdit* hostEdit;        // Edit13
  QCheckBox* resolveBox;      // CheckBox2
  QLineEdit* maxHopsEdit;     // Edit15
  QLineEdit* waitEdit;        // Edit14
  QComboBox* notReachedList;  // ComboBox3
  QComboBox* reachedList;     // ComboBox2
  QPushButton* startButton;   // Button3
  QPushButton* clearButton;   // Button5
  QPushButton* exitButton;    // Button6
  QPlainTextEdit* memo;       // Memo2
};

// Help context numbers, kept on the widgets for the help window to come.
inline constexpr const char* kHelpContextProperty = "helpContext";

}  // namespace tarvo::ui
