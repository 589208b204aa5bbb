// The layout of the "Advanced Options" dialog: five tabs and the buttons
// below them. Every control carries a form name the tests find it by.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/advanced_options_dialog.h"

namespace tarvo::ui {

namespace {

template <typename T>
T* named(T* widget, const char* formName) {
  widget->setObjectName(formName);
  return widget;
}

QCheckBox* box(const char* caption, const char* formName) {
  return named(new QCheckBox(caption), formName);
}

// "1" to `last`: the lists whose rules start at 1.
QComboBox* numberList(int last, const char* formName) {
  auto* list = named(new QComboBox, formName);
  for (int i = 1; i <= last; ++i) list->addItem(QString::number(i));
  return list;
}

QLineEdit* readOnlyField(const char* formName, int width) {
  auto* field = named(new QLineEdit, formName);
  field->setReadOnly(true);
  field->setFixedWidth(width);
  return field;
}

// A tab holding one check box at its top ("Traceroute").
QWidget* oneBoxTab(const char* formName, QCheckBox* only) {
  auto* page = named(new QWidget, formName);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(only);
  layout->addStretch();
  return page;
}

// Auto save, and which addresses of a name the runs take first.
QWidget* generalTab(AdvancedOptionsForm& f) {
  auto* page = named(new QWidget, "GeneralSheet");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(f.autoSave = box("&Auto save options and settings", "AutoSaveBox"));
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("Addresses of names:"));
  row->addWidget(f.addressFamily = named(new QComboBox, "AddressFamilyList"));
  // In the order of the stored number.
  f.addressFamily->addItems({"System order", "Prefer IPv4", "Prefer IPv6"});
  row->addStretch();
  layout->addLayout(row);
  layout->addStretch();
  return page;
}

QGroupBox* tosGroup(AdvancedOptionsForm& f) {
  auto* group = named(new QGroupBox("Type of Service"), "TosGroup");
  auto* grid = new QGridLayout(group);
  grid->addWidget(f.tosDecimal = readOnlyField("TosDecimalEdit", 40), 0, 0);
  grid->addWidget(f.tosBinary = readOnlyField("TosBinaryEdit", 80), 0, 1);
  static const char* const kCaptions[8] = {
      "<reserved>", "Minimal cost", "Reliability",  "Throughput",
      "Low delay",  "\\",           "- Precedence", "/"};
  // The reserved bit on top: the three precedence boxes at the bottom then
  // form a bracket around their caption.
  for (int bit = 0; bit < 8; ++bit) {
    const std::string name = "TosBit" + std::to_string(bit);
    f.tosBits[bit] = box(kCaptions[bit], name.c_str());
    grid->addWidget(f.tosBits[bit], 1 + bit, 0, 1, 2);
  }
  grid->setColumnStretch(2, 1);
  f.tosBits[settings::kTosReservedBit]->setEnabled(false);
  return group;
}

QWidget* pingTab(AdvancedOptionsForm& f) {
  auto* page = named(new QWidget, "PingSheet");
  auto* outer = new QVBoxLayout(page);
  outer->addWidget(named(new QLabel("Advanced Options for  Single Host Ping"), "PingTitleLabel"));
  auto* columns = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(f.audible = box("Audible (Beep on echo reply)", "AudibleBox"));
  left->addWidget(f.resolveNames = box("Resolve addresses", "ResolveNamesBox"));
  left->addWidget(f.dontFragment = box("Don't fragment", "DontFragmentBox"));
  left->addWidget(f.routerAlert = box("Router alert", "RouterAlertBox"));
  left->addWidget(f.warning = named(new QLabel("WARNING !"), "WarningLabel"));
  f.warningText =
      named(new QLabel("In this version of Tarvo, Router Alert is disabled !"), "WarningTextLabel");
  f.warningText->setWordWrap(true);
  left->addWidget(f.warningText);
  left->addWidget(new QLabel("Time To Live [1 - 255]:"));
  left->addWidget(f.ttl = numberList(settings::kTtlRule.maximum, "TtlList"));
  left->addWidget(new QLabel("Max hosts in Ping history"));
  auto* history = new QHBoxLayout;
  history->addWidget(new QLabel("[1-100]:"));
  history->addWidget(f.historySize = numberList(settings::kHistorySizeRule.maximum, "HistoryList"));
  left->addLayout(history);
  left->addStretch();
  columns->addLayout(left);
  columns->addWidget(tosGroup(f));
  outer->addLayout(columns);
  return page;
}

QWidget* rangeTab(AdvancedOptionsForm& f) {
  auto* page = named(new QWidget, "RangePingSheet");
  auto* layout = new QGridLayout(page);
  layout->addWidget(new QLabel("Netmask:"), 0, 0);
  layout->addWidget(f.netMask = named(new QComboBox, "NetMaskList"), 0, 1);
  for (std::string_view mask : settings::kNetMasks) {
    f.netMask->addItem(QString::fromUtf8(mask.data(), static_cast<int>(mask.size())));
  }
  layout->addWidget(new QLabel("Bits:"), 0, 2);
  layout->addWidget(f.maskBits = named(new QComboBox, "BitsList"), 0, 3);
  for (int bits = settings::kNetMaskBitsRule.minimum; bits <= settings::kNetMaskBitsRule.maximum;
       ++bits) {
    f.maskBits->addItem(QString::number(bits));
  }
  layout->addWidget(f.dontPingNet = box("Don't ping IP Sub&net addresses", "DontPingNetBox"), 1, 0,
                    1, 4);
  layout->addWidget(f.dontBroadcast = box("Don't ping &broadcast addresses", "DontBroadcastBox"), 2,
                    0, 1, 4);
  layout->addWidget(f.breakSoon = box("&Stop soon on break", "BreakSoonBox"), 3, 0, 1, 4);
  layout->addWidget(f.burstMode = box("Burst &mode", "BurstModeBox"), 4, 0, 1, 4);
  layout->addWidget(f.showReached = box("Show reached IPs", "ShowReachedBox"), 5, 0, 1, 4);
  layout->addWidget(f.showNotReached = box("Show not reached IPs", "ShowNotReachedBox"), 6, 0, 1,
                    4);
  layout->setRowStretch(7, 1);
  layout->setColumnStretch(4, 1);
  return page;
}

// The monitor's desktop notices of hosts going down and coming back.
QGroupBox* notifyGroup(AdvancedOptionsForm& f) {
  auto* group = named(new QGroupBox(" Notifications "), "NotifyGroup");
  auto* grid = new QGridLayout(group);
  grid->addWidget(f.notify = box("&Notify when a host goes down or up again", "NotifyBox"), 0, 0, 1,
                  4);
  grid->addWidget(new QLabel("Down after time-outs [1-100]:"), 1, 0);
  grid->addWidget(f.notifyDown = named(new QLineEdit, "NotifyDownEdit"), 1, 1);
  grid->addWidget(new QLabel("Up after replies [1-100]:"), 1, 2);
  grid->addWidget(f.notifyUp = named(new QLineEdit, "NotifyUpEdit"), 1, 3);
  for (QLineEdit* field : {f.notifyDown, f.notifyUp}) field->setFixedWidth(50);
  grid->addWidget(f.notifySound = box("With the reply beep's tone", "NotifySoundBox"), 2, 0, 1, 4);
  grid->setColumnStretch(4, 1);
  return group;
}

// What the monitor records of its results, and for how long.
QGroupBox* historyGroup(AdvancedOptionsForm& f) {
  auto* group = named(new QGroupBox(" History "), "HistoryGroup");
  auto* row = new QHBoxLayout(group);
  row->addWidget(f.history = box("Keep history", "HistoryBox"));
  row->addWidget(new QLabel("Raw results [days]:"));
  row->addWidget(f.historyRawDays = named(new QLineEdit, "HistoryRawDaysEdit"));
  row->addWidget(new QLabel("History [days]:"));
  row->addWidget(f.historyDays = named(new QLineEdit, "HistoryDaysEdit"));
  const std::pair<QLineEdit*, const settings::FieldRule*> fields[] = {
      {f.historyRawDays, &settings::kHistoryRawDaysRule},
      {f.historyDays, &settings::kHistoryDaysRule}};
  for (const auto& [field, rule] : fields) {
    field->setFixedWidth(50);
    field->setToolTip(QString("%1 - %2").arg(rule->minimum).arg(rule->maximum));
  }
  row->addStretch();
  return group;
}

QWidget* watchTab(AdvancedOptionsForm& f) {
  auto* page = named(new QWidget, "WatchSheet");
  auto* grid = new QGridLayout(page);
  int row = 0;
  auto addRow = [&](const char* caption, QWidget* control) {
    grid->addWidget(new QLabel(caption), row, 0);
    grid->addWidget(control, row++, 1);
  };
  addRow("Wait for reply [ms]:", f.watchWait = named(new QLineEdit, "WatchWaitEdit"));
  addRow("Delay requests [ms]:", f.watchDelay = named(new QLineEdit, "WatchDelayEdit"));
  addRow("Data Bytes:", f.watchBytes = named(new QLineEdit, "WatchBytesEdit"));
  addRow("Time To Live:", f.watchTtl = numberList(settings::kWatchTtlRule.maximum, "WatchTtlList"));
  addRow("Pen width:", f.penWidth = numberList(settings::kPenWidthRule.maximum, "PenWidthList"));
  auto* logPath = new QWidget;
  auto* logRow = new QHBoxLayout(logPath);
  logRow->setContentsMargins(0, 0, 0, 0);
  logRow->addWidget(f.logPath = named(new QLineEdit, "LogPathEdit"));
  logRow->addWidget(f.logPathButton = named(new QPushButton("..."), "LogPathButton"));
  f.logPathButton->setFixedWidth(30);
  addRow("Log path:", logPath);

  auto* right = new QVBoxLayout;
  right->addWidget(f.logReplies = box("Log replied pings", "LogRepliesBox"));
  right->addWidget(f.logTimeouts = box("Log unreplied pings", "LogTimeoutsBox"));
  right->addWidget(f.logFlipFlop = box("Log only reply changes", "LogFlipFlopBox"));
  right->addWidget(f.logImmediate = box("Log immediate", "LogImmediateBox"));
  auto* resolve = named(new QGroupBox(" Resolve addresses "), "WatchResolveGroup");
  auto* radios = new QVBoxLayout(resolve);
  radios->addWidget(f.watchResolve[0] = named(new QRadioButton("No"), "WatchResolveNo"));
  radios->addWidget(f.watchResolve[1] = named(new QRadioButton("One try"), "WatchResolveOnce"));
  radios->addWidget(f.watchResolve[2] =
                        named(new QRadioButton("Continuous"), "WatchResolveContinuous"));
  right->addWidget(resolve);
  right->addStretch();
  grid->addLayout(right, 0, 2, row + 1, 1);

  grid->addWidget(
      f.icmpSequence = box("Set ICMP sequence number to data buffer", "IcmpSequenceBox"), row++, 0,
      1, 2);
  grid->addWidget(f.autoStart = box("Autostart Watch at program start", "AutoStartBox"), row++, 0,
                  1, 3);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(new QLabel("Autostart Watch file:"));
  fileRow->addWidget(f.autoStartFile = named(new QLineEdit, "AutoStartFileEdit"));
  fileRow->addWidget(f.autoStartFileButton = named(new QPushButton("..."), "AutoStartFileButton"));
  f.autoStartFileButton->setFixedWidth(30);
  grid->addLayout(fileRow, row++, 0, 1, 3);
  grid->addWidget(notifyGroup(f), row++, 0, 1, 3);
  grid->addWidget(historyGroup(f), row++, 0, 1, 3);
  auto* metricsRow = new QHBoxLayout;
  metricsRow->addWidget(new QLabel("Serve metrics at [address:]port:"));
  metricsRow->addWidget(f.metricsListen = named(new QLineEdit, "MetricsListenEdit"));
  f.metricsListen->setPlaceholderText("9427 or 0.0.0.0:9427; empty: none");
  grid->addLayout(metricsRow, row++, 0, 1, 3);
  grid->setRowStretch(row, 1);
  return page;
}

}  // namespace

void AdvancedOptionsForm::build(QDialog* dialog) {
  auto* layout = new QVBoxLayout(dialog);
  pages = named(new QTabWidget, "PageControl1");
  pages->addTab(generalTab(*this), "General");
  pages->addTab(pingTab(*this), "Ping");
  pages->addTab(rangeTab(*this), "Range Ping");
  traceResolve = box("&Resolve addresses", "TraceResolveBox");
  pages->addTab(oneBoxTab("TracerouteSheet", traceResolve), "Traceroute");
  pages->addTab(watchTab(*this), "Watch");
  layout->addWidget(pages);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(defaults = named(new QPushButton("Set &default values"), "DefaultsButton"));
  buttons->addStretch();
  buttons->addWidget(ok = named(new QPushButton("&OK"), "OkButton"));
  buttons->addWidget(cancel = named(new QPushButton("&Cancel"), "CancelButton"));
  layout->addLayout(buttons);
  dialog->setMinimumWidth(560);
}

}  // namespace tarvo::ui
