#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "settings/options_rules.h"
#include "settings/settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace tarvo::ui {

// The controls of the "Advanced Options" dialog, by tab.
struct AdvancedOptionsForm {
  QTabWidget* pages = nullptr;
  // General
  QCheckBox* autoSave = nullptr;
  QComboBox* addressFamily = nullptr;  // by the stored number
  // Ping
  QCheckBox* audible = nullptr;
  QCheckBox* resolveNames = nullptr;
  QCheckBox* dontFragment = nullptr;
  QCheckBox* routerAlert = nullptr;
  QLabel* warning = nullptr;
  QLabel* warningText = nullptr;
  QComboBox* ttl = nullptr;
  QLineEdit* tosDecimal = nullptr;
  QLineEdit* tosBinary = nullptr;
  std::array<QCheckBox*, 8> tosBits{};  // by bit, 0 the least significant
  QComboBox* historySize = nullptr;
  // Range Ping
  QComboBox* netMask = nullptr;
  QComboBox* maskBits = nullptr;
  QCheckBox* dontPingNet = nullptr;
  QCheckBox* dontBroadcast = nullptr;
  QCheckBox* breakSoon = nullptr;
  QCheckBox* burstMode = nullptr;
  QCheckBox* showReached = nullptr;
  QCheckBox* showNotReached = nullptr;
  // Traceroute
  QCheckBox* traceResolve = nullptr;
  // Watch
  QLineEdit* watchWait = nullptr;
  QLineEdit* watchDelay = nullptr;
  QLineEdit* watchBytes = nullptr;
  QComboBox* watchTtl = nullptr;
  QComboBox* penWidth = nullptr;
  QLineEdit* logPath = nullptr;
  QPushButton* logPathButton = nullptr;
  QCheckBox* logReplies = nullptr;
  QCheckBox* logTimeouts = nullptr;
  QCheckBox* logFlipFlop = nullptr;
  QCheckBox* logImmediate = nullptr;
  std::array<QRadioButton*, 3> watchResolve{};  // No, One try, Continuous
  QCheckBox* icmpSequence = nullptr;
  QCheckBox* autoStart = nullptr;
  QLineEdit* autoStartFile = nullptr;
  QPushButton* autoStartFileButton = nullptr;
  QCheckBox* notify = nullptr;
  QLineEdit* notifyDown = nullptr;
  QLineEdit* notifyUp = nullptr;
  QCheckBox* notifySound = nullptr;
  QCheckBox* history = nullptr;
  QLineEdit* historyRawDays = nullptr;
  QLineEdit* historyDays = nullptr;
  QLineEdit* metricsListen = nullptr;
  // All tabs
  QPushButton* defaults = nullptr;
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;

  // Creates the tabs and buttons in `dialog` (advanced_options_form.cpp).
  void build(QDialog* dialog);
};

// "Advanced Options": the options without a control on the window's tabs.
// It edits a copy of the window's settings; OK writes the controls into
// that copy, which the window then takes over. Cancel leaves it untouched.
class AdvancedOptionsDialog : public QDialog {
 public:
  AdvancedOptionsDialog(const settings::Settings& values, bool ipOptionsSupported,
                        QWidget* parent = nullptr);

  // The copy, with the controls applied once OK was pressed.
  const settings::Settings& values() const { return values_; }

  void accept() override;

 private:
  void connectRules();
  void load();
  void apply();
  void showTos();
  void showMaskBits(int bits);
  void enableMaskLists();
  void onLogClick(settings::LogBox box, bool checked);
  void setDefaultsOfVisibleTab();
  void chooseLogPath();
  void chooseAutoStartFile();

  AdvancedOptionsForm form_;
  settings::Settings values_;
  bool ipOptionsSupported_;
  std::uint8_t tos_ = 0;  // the working type-of-service byte
  int maskBits_ = 24;     // the working bit count of the range mask
};

}  // namespace tarvo::ui
