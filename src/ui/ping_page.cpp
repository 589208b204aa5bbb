#include "ui/ping_page.h"

#include <QScrollBar>
#include <algorithm>

#include "ping/ping_settings.h"
#include "range/range_controller.h"
#include "range/range_settings.h"
#include "ui/gui_views.h"
#include "ui/input_rules.h"
#include "ui/qt_text.h"

namespace tarvo::ui {

namespace {

// The stored number behind a Ping field; each mode keeps its own.
std::uint32_t& numberOf(settings::Settings& s, PingField field, bool rangeMode) {
  switch (field) {
    case PingField::Count:
      return rangeMode ? s.rangeCount : s.pingCount;
    case PingField::Wait:
      return rangeMode ? s.rangeWaitMs : s.pingWaitMs;
    case PingField::Delay:
      return rangeMode ? s.rangeDelayMs : s.pingDelayMs;
    case PingField::DataBytes:
      break;
  }
  return rangeMode ? s.rangeDataBytes : s.pingDataBytes;
}

}  // namespace

PingPage::PingPage(PageHost& host, QWidget* tabParent) : TabPage(host), tab_(tabParent) {
  connectControls();
}

PingPage::~PingPage() = default;

void PingPage::connectControls() {
  QWidget* p = tab_.page;
  QObject::connect(tab_.startButton, &QPushButton::clicked, p, [this] { onStartButton(); });
  QObject::connect(tab_.startButton, &StartButton::breakKeyPressed, p, [this] {
    if (pingRunning_ || rangeRunning_) onStartButton();
  });
  QObject::connect(tab_.clearButton, &QPushButton::clicked, p, [this] { onClear(); });
  QObject::connect(tab_.rangeBox, &QCheckBox::clicked, p, [this] { onRangeBox(); });
  auto octets = tab_.editableOctets();
  for (int i = 0; i < static_cast<int>(octets.size()); ++i) {
    QObject::connect(octets[i], &OctetEdit::left, p, [this, i] { onOctetLeft(i); });
    QObject::connect(octets[i], &OctetEdit::moveOnRequested, p, [this, i] { onOctetMoveOn(i); });
  }
}

// ---- Start-up ---------------------------------------------------------------

void PingPage::fill() {
  const settings::Settings& values = host_.settings();
  tab_.hostCombo->clear();
  for (const std::string& host : values.hostHistory) tab_.hostCombo->addItem(qs(host));
  if (values.rangeEnabled) {
    tab_.hostCombo->setEnabled(false);
    tab_.hostCombo->hide();
    showNumbers(true);
  } else {
    applyModeStates(false);
    tab_.hostCombo->setCurrentIndex(tab_.hostCombo->count() - 1);
    tab_.hostCombo->setEditText(qs(values.hostText));
  }
}

void PingPage::showNetworkFailure(const std::string& message, const std::string& advice) {
  // Nothing was loaded: the controls take their single-host states, and
  // the parameter fields stay empty, since no run can use them.
  applyModeStates(false);
  for (QLineEdit* edit : {tab_.countEdit, tab_.waitEdit, tab_.delayEdit, tab_.bytesEdit}) {
    edit->clear();
  }
  appendMessage(tab_.memo, message);
  echoAdvice_ = advice;
  appendAdvice();
}

void PingPage::appendAdvice() {
  tab_.memo->appendPlainText(qs("  \u00b7 " + echoAdvice_));
  // The line is wider than the text area; scrolled to its end, the area
  // would hide the start of every message.
  tab_.memo->horizontalScrollBar()->setValue(0);
}

void PingPage::firstShown() {
  if (tab_.rangeBox->isChecked() != rangeMode()) {
    tab_.rangeBox->setChecked(rangeMode());
    onRangeBox();
  }
  focusTarget();
}

void PingPage::storeHistory() {
  settings::Settings& values = host_.settings();
  values.hostHistory.clear();
  for (int i = 0; i < tab_.hostCombo->count(); ++i) {
    values.hostHistory.push_back(ss(tab_.hostCombo->itemText(i)));
  }
}

void PingPage::trimHistory(int size) {
  // Removing entries may move the list's selection; the typed target stays.
  const QString target = tab_.hostCombo->currentText();
  while (tab_.hostCombo->count() > std::max(size, 0)) tab_.hostCombo->removeItem(0);
  if (tab_.hostCombo->isEditable()) tab_.hostCombo->setEditText(target);
  storeHistory();
}

std::optional<std::string> PingPage::singleHost() const {
  if (rangeMode()) return std::nullopt;
  return ss(tab_.hostCombo->currentText());
}

void PingPage::requestStops() {
  if (pingRun_ != nullptr) pingRun_->requestStop();
  if (rangeRun_ != nullptr) rangeRun_->requestStop();
}

void PingPage::forgetRuns() {
  pingRun_ = nullptr;
  rangeRun_ = nullptr;
}

// ---- Fields and the mode switch ---------------------------------------------

void PingPage::readFields() {
  settings::Settings& values = host_.settings();
  if (!values.rangeEnabled) values.hostText = ss(tab_.hostCombo->currentText());
  const bool range = values.rangeEnabled;
  for (std::size_t i = 0; i < kPingFields.size(); ++i) {
    RepairedNumber repaired = repairPingField(kPingFields[i], range, ss(fields()[i]->text()));
    if (repaired.rewrite) fields()[i]->setText(QString::number(repaired.value));
    numberOf(values, kPingFields[i], range) = repaired.value;
  }
}

void PingPage::showNumbers(bool rangeMode) {
  for (std::size_t i = 0; i < kPingFields.size(); ++i) {
    fields()[i]->setText(QString::number(numberOf(host_.settings(), kPingFields[i], rangeMode)));
  }
}

// The controls of the mode shown: the host box for a single host, the
// octet fields for a range.
void PingPage::applyModeStates(bool rangeMode) {
  tab_.hostLabel->setText(rangeMode ? "First IP:" : "Host:");
  tab_.countLabel->setText(rangeMode ? "Count:" : "Count (0=endless):");
  tab_.hostCombo->setEnabled(!rangeMode);
  tab_.hostCombo->setVisible(!rangeMode);
  for (OctetEdit* edit : tab_.first) {
    edit->clear();
    edit->setEnabled(rangeMode);
    edit->setVisible(rangeMode);
  }
  tab_.lastLabel->setEnabled(rangeMode);
  for (OctetEdit* edit : tab_.last) edit->clear();
  tab_.last[2]->setEnabled(rangeMode);
  tab_.last[3]->setEnabled(rangeMode);
  showNumbers(rangeMode);
}

void PingPage::fillOctetFields() {
  const settings::Settings& values = host_.settings();
  for (int i = 0; i < 4; ++i) {
    tab_.first[i]->setText(QString::number(values.firstOctets[i]));
    tab_.last[i]->setText(QString::number(values.lastOctets[i]));
  }
}

void PingPage::onRangeBox() {
  settings::Settings& values = host_.settings();
  setStatus(StatusPair{});
  if (values.rangeOctetsPending) {
    // First click after a start with range mode saved on: bring back the
    // saved range instead of switching.
    values.rangeOctetsPending = false;
    values.rangeEnabled = true;
    applyModeStates(true);
    fillOctetFields();
    return;
  }
  if (tab_.rangeBox->isChecked()) {
    enterRange();
  } else {
    leaveRange();
  }
}

void PingPage::enterRange() {
  settings::Settings& values = host_.settings();
  readFields();
  values.rangeEnabled = true;
  const std::string source = ss(tab_.hostCombo->currentText());
  applyModeStates(true);
  std::optional<Octets> address = parseOctets(source);
  if (!address) {
    tab_.first[0]->enter();
    return;
  }
  values.firstOctets = *address;
  for (int i = 0; i < 4; ++i) tab_.first[i]->setText(QString::number((*address)[i]));
  tab_.last[0]->setText(tab_.first[0]->text());
  tab_.last[1]->setText(tab_.first[1]->text());
  if (values.lastOctets[2] <= 0 && values.lastOctets[3] <= 0) {
    tab_.last[2]->setText(tab_.first[2]->text());
  } else {
    tab_.last[2]->setText(QString::number(values.lastOctets[2]));
    tab_.last[3]->setText(QString::number(values.lastOctets[3]));
  }
  tab_.last[2]->enter();
}

void PingPage::leaveRange() {
  settings::Settings& values = host_.settings();
  readFields();
  values.rangeEnabled = false;
  OctetFieldTexts texts;
  auto octets = tab_.editableOctets();
  for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = ss(octets[i]->text());
  readOctetFieldsLeavingRange(texts, values.firstOctets, values.lastOctets);
  applyModeStates(false);
  if (auto address = formatFirstAddress(values.firstOctets)) {
    tab_.hostCombo->setEditText(qs(*address));
  }
  tab_.hostCombo->setFocus();
  readFields();
}

void PingPage::onOctetLeft(int field) {
  if (!rangeMode() || field > 2) return;
  // The first address's first two octets are also the last address's; its
  // third octet is the natural start for the last address's third.
  tab_.last[field]->setText(tab_.first[field]->text());
}

void PingPage::onOctetMoveOn(int field) {
  auto octets = tab_.editableOctets();
  if (field + 1 < static_cast<int>(octets.size())) {
    octets[field + 1]->enter();
  } else {
    tab_.startButton->setFocus();
  }
}

void PingPage::focusTarget() {
  if (rangeMode()) {
    tab_.first[0]->setFocus();
  } else {
    tab_.hostCombo->setFocus();
  }
}

void PingPage::onClear() {
  tab_.memo->clear();
  tab_.reachedList->clear();
  setStatus(StatusPair{});
  focusTarget();
}

// ---- Runs ------------------------------------------------------------------------

void PingPage::onStartButton() {
  if (host_.closing()) return;
  // A run counts from its creation: its start step may still be queued.
  if (pingRunning_ || rangeRunning_ || pingRun_ != nullptr || rangeRun_ != nullptr) {
    requestStops();
    tab_.startButton->setText("Wait...");
    tab_.startButton->setEnabled(false);
    return;
  }
  if (!host_.networkReady()) {
    appendMessage(tab_.memo, "  \u00b7 Didn't see the errors above ?");
    appendAdvice();
    return;
  }
  readFields();
  if (rangeMode()) {
    startRange();
  } else {
    startSingle();
  }
}

void PingPage::startSingle() {
  settings::Settings& values = host_.settings();
  if (values.hostText.empty()) {
    tab_.hostCombo->setFocus();
    return;
  }
  std::vector<std::string> history;
  for (int i = 0; i < tab_.hostCombo->count(); ++i) {
    history.push_back(ss(tab_.hostCombo->itemText(i)));
  }
  updateHostHistory(history, values.hostText, values.historySize);
  tab_.hostCombo->clear();
  for (const std::string& host : history) tab_.hostCombo->addItem(qs(host));
  tab_.hostCombo->setCurrentIndex(tab_.hostCombo->count() - 1);
  values.hostHistory = history;

  PingSnapshot snapshot = pingSnapshotFrom(values);
  snapshot.ipOptionsSupported = host_.ipOptionsSupported();
  const WindowServices& services = host_.services();
  snapshot.resolver = services.resolver();
  auto* run = new TPing(snapshot, host_.views().ping, services.echoFactory, services.toneFactory);
  run->setFreeOnTerminate(true);
  if (!run->start()) {
    delete run;
    appendMessage(tab_.memo, "  \u00b7 Could not create the pinger thread");
    return;
  }
  pingRun_ = run;
  tab_.startButton->setFocus();
}

void PingPage::startRange() {
  settings::Settings& values = host_.settings();
  std::array<std::string, 8> texts;
  for (int i = 0; i < 4; ++i) {
    texts[i] = ss(tab_.first[i]->text());
    texts[4 + i] = ss(tab_.last[i]->text());
  }
  std::optional<std::array<std::int32_t, 8>> octets = readRangeOctets(texts);
  Octets first{};
  Octets last{};
  if (octets) {
    std::copy_n(octets->begin(), 4, first.begin());
    std::copy_n(octets->begin() + 4, 4, last.begin());
  }
  if (!octets || !validateRange(RangeInput{first, last})) {
    appendMessage(tab_.memo, "  \u00b7 Please check IP Range");
    tab_.last[2]->setFocus();
    return;
  }
  values.firstOctets = first;
  values.lastOctets = last;
  // The single-host options (TTL, TOS, flags) never apply to a range.
  RangeSnapshot snapshot = rangeSnapshotFrom(values, RangeInput{first, last});
  snapshot.echoFactory = host_.services().echoFactory;
  rangeRun_ = TCtrlPing::launch(std::move(snapshot), host_.views().range);
  if (rangeRun_ == nullptr) {
    appendMessage(tab_.memo, "  \u00b7 Could not create the thread controler");
    return;
  }
  tab_.startButton->setFocus();
}

// ---- Steps of the runs -----------------------------------------------------------

void PingPage::pingBegin() {
  pingRunning_ = true;
  // A break pressed before this step keeps its "Wait...".
  if (tab_.startButton->isEnabled()) tab_.startButton->setText("&Break");
  tab_.clearButton->setEnabled(false);
  tab_.rangeBox->setEnabled(false);
  host_.runBegan();
}

void PingPage::pingEnd() {
  pingRunning_ = false;
  pingRun_ = nullptr;  // the run frees itself right after this step
  tab_.startButton->setText("&Ping");
  appendLine(kEndOfPingLine);
  tab_.startButton->setEnabled(true);
  host_.runEnded();
  tab_.clearButton->setEnabled(true);
  tab_.rangeBox->setEnabled(true);
  if (host_.isCurrent(*this)) tab_.hostCombo->setFocus();
}

void PingPage::rangeBegin() {
  rangeRunning_ = true;
  if (tab_.startButton->isEnabled()) tab_.startButton->setText("&Break");
  host_.runBegan();
  tab_.clearButton->setEnabled(false);
  tab_.rangeBox->setEnabled(false);
}

void PingPage::rangeEnd() {
  rangeRunning_ = false;
  rangeRun_ = nullptr;  // the controller frees itself right after this step
  tab_.startButton->setText("&Ping");
  tab_.startButton->setEnabled(true);
  appendLine(kEndOfRangePingLine);
  host_.runEnded();
  tab_.clearButton->setEnabled(true);
  tab_.rangeBox->setEnabled(true);
  if (host_.isCurrent(*this)) tab_.first[0]->setFocus();
}

void PingPage::appendLine(const std::string& line) { tab_.memo->appendPlainText(qs(line)); }
void PingPage::appendLines(const QStringList& lines) {
  tab_.memo->appendPlainText(lines.join(QChar('\n')));
}
void PingPage::replaceLine(const std::string& line) { replaceLastLine(tab_.memo, line); }

}  // namespace tarvo::ui
