#include "ui/advanced_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <algorithm>

#include "ui/qt_text.h"

namespace tarvo::ui {

namespace {

enum Tab { General, Ping, RangePing, Traceroute, Watch };

// A list of "1" to "n" at the value's position; values the list cannot
// show are held at its ends.
void showListValue(QComboBox* list, int value) {
  list->setCurrentIndex(std::clamp(value, 1, list->count()) - 1);
}
int listValue(const QComboBox* list) { return list->currentIndex() + 1; }

}  // namespace

AdvancedOptionsDialog::AdvancedOptionsDialog(const settings::Settings& values,
                                             bool ipOptionsSupported, QWidget* parent)
    : QDialog(parent), values_(values), ipOptionsSupported_(ipOptionsSupported) {
  setObjectName("Form4");
  setWindowTitle("Advanced Options");
  form_.build(this);
  connectRules();
  load();
  form_.ok->setDefault(true);
  form_.ok->setFocus();
}

void AdvancedOptionsDialog::connectRules() {
  AdvancedOptionsForm& f = form_;
  connect(f.ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(f.cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(f.defaults, &QPushButton::clicked, this, [this] { setDefaultsOfVisibleTab(); });

  connect(f.dontFragment, &QCheckBox::clicked, this, [this](bool checked) {
    if (checked) form_.routerAlert->setChecked(false);
  });
  connect(f.routerAlert, &QCheckBox::clicked, this, [this](bool checked) {
    if (checked) form_.dontFragment->setChecked(false);
  });
  for (int bit = 0; bit < 8; ++bit) {
    connect(f.tosBits[bit], &QCheckBox::clicked, this, [this, bit](bool checked) {
      tos_ = settings::withTosBit(tos_, bit, checked);
      showTos();
    });
  }

  connect(f.netMask, &QComboBox::currentIndexChanged, this,
          [this](int index) { showMaskBits(index + settings::kFirstMaskBits); });
  connect(f.maskBits, &QComboBox::currentIndexChanged, this,
          [this](int index) { showMaskBits(index + settings::kFirstMaskBits); });
  for (QCheckBox* dontPing : {f.dontPingNet, f.dontBroadcast}) {
    connect(dontPing, &QCheckBox::clicked, this, [this] { enableMaskLists(); });
  }
  // At least one kind of result stays shown.
  connect(f.showReached, &QCheckBox::clicked, this, [this](bool checked) {
    if (!checked) form_.showNotReached->setChecked(true);
  });
  connect(f.showNotReached, &QCheckBox::clicked, this, [this](bool checked) {
    if (!checked) form_.showReached->setChecked(true);
  });

  using settings::LogBox;
  const std::pair<QCheckBox*, LogBox> logBoxes[] = {{f.logReplies, LogBox::Replies},
                                                    {f.logTimeouts, LogBox::Timeouts},
                                                    {f.logFlipFlop, LogBox::FlipFlop},
                                                    {f.logImmediate, LogBox::Immediate}};
  for (const auto& [logBox, which] : logBoxes) {
    connect(logBox, &QCheckBox::clicked, this,
            [this, which](bool checked) { onLogClick(which, checked); });
  }
  connect(f.logPathButton, &QPushButton::clicked, this, [this] { chooseLogPath(); });
  connect(f.autoStartFileButton, &QPushButton::clicked, this, [this] { chooseAutoStartFile(); });
}

void AdvancedOptionsDialog::load() {
  const settings::Settings& v = values_;
  AdvancedOptionsForm& f = form_;
  f.autoSave->setEnabled(true);
  f.autoSave->setChecked(v.autoSave);
  f.addressFamily->setCurrentIndex(settings::kAddressFamilyRule.hold(v.addressFamily));

  f.audible->setChecked(v.audible);
  f.resolveNames->setChecked(v.resolveNames);
  f.dontFragment->setChecked(v.dontFragment);
  f.routerAlert->setChecked(v.routerAlert);
  f.routerAlert->setEnabled(ipOptionsSupported_);
  f.warning->setVisible(!ipOptionsSupported_);
  f.warningText->setVisible(!ipOptionsSupported_);
  showListValue(f.ttl, v.ttl);
  showListValue(f.historySize, v.historySize);
  tos_ = static_cast<std::uint8_t>(v.tos & 0xff);
  showTos();

  f.dontPingNet->setChecked(v.dontPingNet);
  f.dontBroadcast->setChecked(v.dontBroadcast);
  f.breakSoon->setChecked(v.breakSoon);
  f.burstMode->setChecked(v.burstMode);
  f.showReached->setChecked(v.showReached);
  f.showNotReached->setChecked(v.showNotReached);
  showMaskBits(v.netMaskBits);
  enableMaskLists();

  f.traceResolve->setChecked(v.traceResolveNames);

  f.watchWait->setText(QString::number(v.watchWait));
  f.watchDelay->setText(QString::number(v.watchDelay));
  f.watchBytes->setText(QString::number(v.watchBytes));
  showListValue(f.watchTtl, v.watchTtl);
  showListValue(f.penWidth, v.penWidth);
  f.watchResolve[std::clamp(v.watchResolveNames, 0, 2)]->setChecked(true);
  f.icmpSequence->setChecked(v.icmpSequence);
  f.logReplies->setChecked(v.logReplies);
  f.logTimeouts->setChecked(v.logTimeouts);
  f.logFlipFlop->setChecked(v.logFlipFlop);
  f.logImmediate->setChecked(v.logImmediate);
  f.logPath->setText(qs(v.logPath));
  f.logPath->setCursorPosition(0);  // the start of a long path is the telling part
  f.autoStart->setChecked(v.autoStart);
  f.autoStartFile->setText(qs(v.autoStartFile));
  f.notify->setChecked(v.notify);
  f.notifyDown->setText(QString::number(v.notifyDown));
  f.notifyUp->setText(QString::number(v.notifyUp));
  f.notifySound->setChecked(v.notifySound);
  f.history->setChecked(v.history);
  f.historyRawDays->setText(QString::number(v.historyRawDays));
  f.historyDays->setText(QString::number(v.historyDays));
  f.metricsListen->setText(qs(v.metricsListen));
}

void AdvancedOptionsDialog::accept() {
  apply();
  QDialog::accept();
}

void AdvancedOptionsDialog::apply() {
  settings::Settings& v = values_;
  const AdvancedOptionsForm& f = form_;
  v.autoSave = f.autoSave->isChecked();
  v.addressFamily = f.addressFamily->currentIndex();
  v.audible = f.audible->isChecked();
  v.resolveNames = f.resolveNames->isChecked();
  v.dontFragment = f.dontFragment->isChecked();
  v.routerAlert = f.routerAlert->isChecked();
  v.ttl = listValue(f.ttl);
  // The window trims its host list to the new size when it takes the copy.
  v.historySize = listValue(f.historySize);
  v.tos = tos_;

  v.dontPingNet = f.dontPingNet->isChecked();
  v.dontBroadcast = f.dontBroadcast->isChecked();
  v.breakSoon = f.breakSoon->isChecked();
  v.burstMode = f.burstMode->isChecked();
  v.showReached = f.showReached->isChecked();
  v.showNotReached = f.showNotReached->isChecked();
  v.netMaskBits = maskBits_;

  v.traceResolveNames = f.traceResolve->isChecked();

  // The fields keep what was typed; the settings take the repaired numbers.
  v.watchWait = settings::kWatchWaitRule.repair(ss(f.watchWait->text())).value;
  v.watchDelay = settings::kWatchDelayRule.repair(ss(f.watchDelay->text())).value;
  v.watchBytes =
      static_cast<std::uint16_t>(settings::kWatchBytesRule.repair(ss(f.watchBytes->text())).value);
  v.watchTtl = static_cast<std::uint8_t>(listValue(f.watchTtl));
  v.penWidth = listValue(f.penWidth);

  v.icmpSequence = f.icmpSequence->isChecked();
  v.logReplies = f.logReplies->isChecked();
  v.logTimeouts = f.logTimeouts->isChecked();
  v.logFlipFlop = f.logFlipFlop->isChecked();
  v.logImmediate = f.logImmediate->isChecked();
  for (int mode = 0; mode < 3; ++mode) {
    if (f.watchResolve[mode]->isChecked()) v.watchResolveNames = mode;
  }
  v.logPath = ss(f.logPath->text());
  v.autoStart = f.autoStart->isChecked();
  v.autoStartFile = ss(f.autoStartFile->text());
  v.notify = f.notify->isChecked();
  v.notifyDown =
      static_cast<std::int32_t>(settings::kNotifyDownRule.repair(ss(f.notifyDown->text())).value);
  v.notifyUp =
      static_cast<std::int32_t>(settings::kNotifyUpRule.repair(ss(f.notifyUp->text())).value);
  v.notifySound = f.notifySound->isChecked();
  v.history = f.history->isChecked();
  v.historyRawDays = static_cast<std::int32_t>(
      settings::kHistoryRawDaysRule.repair(ss(f.historyRawDays->text())).value);
  v.historyDays =
      static_cast<std::int32_t>(settings::kHistoryDaysRule.repair(ss(f.historyDays->text())).value);
  v.metricsListen = ss(f.metricsListen->text().trimmed());
}

void AdvancedOptionsDialog::showTos() {
  const std::string binary = settings::tosBinaryText(tos_);
  form_.tosDecimal->setText(QString::number(tos_));
  form_.tosBinary->setText(qs(binary));
  for (int bit = 0; bit < 8; ++bit) {
    const bool shown = bit != settings::kTosReservedBit && settings::tosBitShown(binary, bit);
    form_.tosBits[bit]->setChecked(shown);
  }
}

void AdvancedOptionsDialog::showMaskBits(int bits) {
  maskBits_ =
      std::clamp(bits, settings::kFirstMaskBits,
                 settings::kFirstMaskBits + static_cast<int>(settings::kNetMasks.size()) - 1);
  const int position = maskBits_ - settings::kFirstMaskBits;
  form_.netMask->setCurrentIndex(position);
  form_.maskBits->setCurrentIndex(position);
}

void AdvancedOptionsDialog::enableMaskLists() {
  const bool needed = form_.dontPingNet->isChecked() || form_.dontBroadcast->isChecked();
  form_.netMask->setEnabled(needed);
  form_.maskBits->setEnabled(needed);
}

void AdvancedOptionsDialog::onLogClick(settings::LogBox box, bool checked) {
  AdvancedOptionsForm& f = form_;
  const settings::LogOptions now{f.logReplies->isChecked(), f.logTimeouts->isChecked(),
                                 f.logFlipFlop->isChecked(), f.logImmediate->isChecked()};
  const settings::LogOptions next = settings::afterLogClick(now, box, checked);
  f.logReplies->setChecked(next.replies);
  f.logTimeouts->setChecked(next.timeouts);
  f.logFlipFlop->setChecked(next.flipFlop);
  f.logImmediate->setChecked(next.immediate);
}

void AdvancedOptionsDialog::setDefaultsOfVisibleTab() {
  const settings::Settings d;  // every option at its default
  AdvancedOptionsForm& f = form_;
  switch (f.pages->currentIndex()) {
    case General:
      f.autoSave->setChecked(d.autoSave);
      f.addressFamily->setCurrentIndex(d.addressFamily);
      break;
    case Ping:
      f.audible->setChecked(d.audible);
      f.resolveNames->setChecked(d.resolveNames);
      f.dontFragment->setChecked(d.dontFragment);
      f.routerAlert->setChecked(d.routerAlert);
      showListValue(f.ttl, d.ttl);
      showListValue(f.historySize, d.historySize);
      tos_ = d.tos;
      showTos();
      break;
    case RangePing:
      f.dontPingNet->setChecked(d.dontPingNet);
      f.dontBroadcast->setChecked(d.dontBroadcast);
      showMaskBits(d.netMaskBits);
      enableMaskLists();
      f.breakSoon->setChecked(d.breakSoon);
      f.burstMode->setChecked(d.burstMode);
      f.showReached->setChecked(d.showReached);
      f.showNotReached->setChecked(d.showNotReached);
      break;
    case Traceroute:
      f.traceResolve->setChecked(d.traceResolveNames);
      break;
    case Watch:
      // The log path is where the user keeps the logs, the metrics address
      // where others scrape them: a reset keeps both.
      f.watchWait->setText(QString::number(d.watchWait));
      f.watchDelay->setText(QString::number(d.watchDelay));
      f.watchBytes->setText(QString::number(d.watchBytes));
      showListValue(f.watchTtl, d.watchTtl);
      showListValue(f.penWidth, d.penWidth);
      f.watchResolve[d.watchResolveNames]->setChecked(true);
      f.logReplies->setChecked(d.logReplies);
      f.logTimeouts->setChecked(d.logTimeouts);
      f.logFlipFlop->setChecked(d.logFlipFlop);
      f.logImmediate->setChecked(d.logImmediate);
      f.icmpSequence->setChecked(d.icmpSequence);
      f.autoStart->setChecked(d.autoStart);
      f.notify->setChecked(d.notify);
      f.notifySound->setChecked(d.notifySound);
      f.autoStartFile->setText(QString::fromStdString(d.autoStartFile));
      f.notifyDown->setText(QString::number(d.notifyDown));
      f.notifyUp->setText(QString::number(d.notifyUp));
      f.history->setChecked(d.history);
      f.historyRawDays->setText(QString::number(d.historyRawDays));
      f.historyDays->setText(QString::number(d.historyDays));
      break;
    default:
      break;
  }
}

void AdvancedOptionsDialog::chooseLogPath() {
  const QString directory =
      QFileDialog::getExistingDirectory(this, "Select Directory", form_.logPath->text());
  if (!directory.isEmpty()) form_.logPath->setText(directory);
}

void AdvancedOptionsDialog::chooseAutoStartFile() {
  // The home folder stands for the drive root other systems start in.
  QFileDialog chooser(this, "Chose auto start Watch file", QDir::homePath(),
                      "*.txt (*.txt);;*.wri (*.wri);;*.* (*)");
  chooser.setFileMode(QFileDialog::ExistingFile);
  chooser.setDefaultSuffix("wri");
  if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty()) {
    form_.autoStartFile->setText(chooser.selectedFiles().first());
  }
}

}  // namespace tarvo::ui
