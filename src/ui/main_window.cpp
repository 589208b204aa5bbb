#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <cstdio>

#include "base/thread_base.h"
#include "engine/echo_permission.h"
#include "ping/ping_thread.h"
#include "range/range_controller.h"
#include "trace/trace_controller.h"
#include "ui/gui_hand_off.h"
#include "ui/gui_views.h"
#include "ui/settings_bridge.h"

namespace tarvo::ui {

namespace {

constexpr int kMinWidth = 600;
constexpr int kMinHeight = 450;
constexpr int kContextWindow = 100;
constexpr int kPingPage = 0;
constexpr int kTracePage = 1;
constexpr int kWatchPage = 2;
// How long a closing window gives its runs to notice the stop request
// before the program ends without them.
constexpr std::uint32_t kExitGraceMs = 3000;

QString qs(const std::string& text) { return QString::fromStdString(text); }
std::string ss(const QString& text) { return text.toStdString(); }

}  // namespace

MainWindow::MainWindow(WindowServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)) {
  if (!services_.echoFactory) services_.echoFactory = icmpEchoServiceFactory();
  if (!services_.networkCheck) services_.networkCheck = runNetworkCheck;
  if (!services_.toneFactory) services_.toneFactory = defaultToneFactory();
  handOff_ = std::make_shared<GuiHandOff>();
  views_ = std::make_unique<WindowViews>(*this, handOff_);

  setWindowTitle("Tarvo");
  setMinimumSize(kMinWidth, kMinHeight);
  resize(kMinWidth, kMinHeight);
  setProperty(kHelpContextProperty, kContextWindow);

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("PageControl1");
  ping_ = std::make_unique<PingTab>(tabs_);
  trace_ = std::make_unique<TraceTab>(tabs_);
  watchPage_ = new QWidget(tabs_);
  tabs_->addTab(ping_->page, "Ping");
  tabs_->addTab(trace_->page, "Traceroute");
  tabs_->addTab(watchPage_, "Watch");
  setCentralWidget(tabs_);
  buildMenu();
  buildStatusBar();
  qApp->installEventFilter(this);
  connectControls();
  startUp();
}

MainWindow::~MainWindow() {
  stopRunsForClosing();
  // A run still going holds references to the views; keep them alive past
  // the window when it does not end in time (their steps no longer run).
  if (!ThreadBase::waitAllEnded(kExitGraceMs)) {
    (void)views_.release();
    new std::shared_ptr<GuiHandOff>(handOff_);
  }
}

const GuiHandOff& MainWindow::handOff() const { return *handOff_; }

void MainWindow::buildMenu() {
  QMenu* file = menuBar()->addMenu("&File");
  QAction* saveNow = file->addAction("Save Settings Now");
  saveNow->setObjectName("SaveSettingsNow");
  connect(saveNow, &QAction::triggered, this, [this] { saveSettingsNow(); });
  file->addSeparator();
  QAction* exitAction = file->addAction("E&xit");
  exitAction->setObjectName("Exit1");
  connect(exitAction, &QAction::triggered, this, &QWidget::close);
}

void MainWindow::buildStatusBar() {
  panel0_ = new QLabel(this);
  panel0_->setObjectName("StatusPanel0");
  panel0_->setFixedWidth(320);
  panel1_ = new QLabel(this);
  panel1_->setObjectName("StatusPanel1");
  statusBar()->setObjectName("StatusBar1");
  statusBar()->addWidget(panel0_);
  statusBar()->addWidget(panel1_, 1);
}

void MainWindow::connectControls() {
  PingTab& p = *ping_;
  TraceTab& t = *trace_;
  connect(p.startButton, &QPushButton::clicked, this, [this] { onPingButton(); });
  connect(p.startButton, &StartButton::breakKeyPressed, this, [this] {
    if (pingRunning_ || rangeRunning_) onPingButton();
  });
  connect(p.clearButton, &QPushButton::clicked, this, [this] { onPingClear(); });
  connect(p.exitButton, &QPushButton::clicked, this, &QWidget::close);
  connect(p.rangeBox, &QCheckBox::clicked, this, [this] { onRangeBoxClicked(); });
  auto octets = p.editableOctets();
  for (int i = 0; i < static_cast<int>(octets.size()); ++i) {
    connect(octets[i], &OctetEdit::left, this, [this, i] { onOctetLeft(i); });
    connect(octets[i], &OctetEdit::moveOnRequested, this, [this, i] { onOctetMoveOn(i); });
  }
  connect(t.startButton, &QPushButton::clicked, this, [this] { onTraceButton(); });
  connect(t.clearButton, &QPushButton::clicked, this, [this] { onTraceClear(); });
  connect(t.exitButton, &QPushButton::clicked, this, &QWidget::close);
  connect(t.resolveBox, &QCheckBox::clicked, this,
          [this](bool checked) { values_.traceResolveNames = checked; });
  connect(t.reachedList, &QComboBox::textActivated, this,
          [this](const QString& text) { onHostListChosen(text); });
  connect(t.notReachedList, &QComboBox::textActivated, this,
          [this](const QString& text) { onHostListChosen(text); });
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { onTabChanged(index); });
}

// ---- Start-up, show, close ----------------------------------------------

void MainWindow::startUp() {
  NetworkCheck check = services_.networkCheck();
  if (!check.networkReady) {
    // Nothing was loaded: the controls take their single-host states, and
    // the parameter fields stay empty, since no run can use them.
    applySingleControlStates();
    for (QLineEdit* edit :
         {ping_->countEdit, ping_->waitEdit, ping_->delayEdit, ping_->bytesEdit}) {
      edit->clear();
    }
    appendMessage(ping_->memo, check.message);
    showEchoPermissionAdvice();
    return;
  }
  ipOptionsSupported_ = check.ipOptionsSupported;
  networkReady_ = true;
  store_ = std::make_unique<WindowSettingsStore>();
  values_ = store_->load();
  rangeMode_ = values_.rangeMode;
  rangeOctetsPending_ = values_.rangeOctetsPending;
  hostText_ = values_.hostText;
  applyBounds();
  fillControls();
}

void MainWindow::showEchoPermissionAdvice() {
  echoAdvice_ = echoPermissionAdviceLine(ownExecutablePath("tarvo"));
  appendAdviceLine();
  // No run can start, so the panels stay empty; the advice takes the whole
  // bar instead. Ignored width: the long line must not widen the window.
  auto* advice = new QLabel(qs(echoAdvice_), this);
  advice->setObjectName("StatusAdvice");
  advice->setToolTip(advice->text());
  advice->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  panel0_->hide();
  panel1_->hide();
  statusBar()->addWidget(advice, 1);
}

void MainWindow::appendAdviceLine() {
  ping_->memo->appendPlainText(qs("  \u00b7 " + echoAdvice_));
  // The line is wider than the text area; scrolled to its end, the area
  // would hide the start of every message.
  ping_->memo->horizontalScrollBar()->setValue(0);
}

void MainWindow::applyBounds() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect area = screen->geometry();
  if (auto bounds = store_->bounds(area.width(), area.height())) {
    setGeometry(bounds->left, bounds->top, bounds->width, bounds->height);
  }
}

WindowBounds MainWindow::currentBounds() const {
  QRect frame = geometry();
  return {frame.left(), frame.top(), frame.width(), frame.height()};
}

void MainWindow::fillControls() {
  PingTab& p = *ping_;
  p.hostCombo->clear();
  for (const std::string& host : values_.hostHistory) p.hostCombo->addItem(qs(host));
  if (rangeMode_) {
    p.hostCombo->setEnabled(false);
    p.hostCombo->hide();
    showPingNumbers(values_.range);
  } else {
    applySingleControlStates();
    p.hostCombo->setCurrentIndex(p.hostCombo->count() - 1);
    p.hostCombo->setEditText(qs(hostText_));
  }
  trace_->hostEdit->setText(qs(values_.traceHost));
  trace_->waitEdit->setText(QString::number(values_.traceWaitMs));
  trace_->maxHopsEdit->setText(QString::number(values_.maxHops));
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  tabs_->setCurrentIndex(kPingPage);
  if (ping_->rangeBox->isChecked() != rangeMode_) {
    ping_->rangeBox->setChecked(rangeMode_);
    onRangeBoxClicked();
  }
  focusPingTarget();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closing_) saveOnClose();
  stopRunsForClosing();
  event->accept();
}

void MainWindow::stopRunsForClosing() {
  if (closing_) return;
  closing_ = true;
  // Until the hand-off shuts down no run can pass its end step, so every
  // handle is still valid here; afterwards a run may end and free itself
  // at any moment, so the handles are dropped.
  requestStops();
  handOff_->shutDown();
  pingRun_ = nullptr;
  rangeRun_ = nullptr;
  traceRun_ = nullptr;
}

void MainWindow::saveOnClose() {
  if (!networkReady_) return;  // nothing was loaded, so nothing to keep
  syncValues();
  // The window is going away: standard error is the one place left to say it.
  std::string failure =
      store_->save(values_, currentBounds(), WindowSettingsStore::Occasion::Closing);
  if (!failure.empty())
    std::fprintf(stderr, "tarvo: the settings were not saved: %s\n", failure.c_str());
}

void MainWindow::saveSettingsNow() {
  if (!networkReady_) return;
  syncValues();
  std::string failure =
      store_->save(values_, currentBounds(), WindowSettingsStore::Occasion::SaveNow);
  if (failure.empty()) return;
  // Not modal in the blocking sense: the window's runs and tests go on.
  auto* box =
      new QMessageBox(QMessageBox::Warning, "Settings not saved",
                      qs("The settings could not be saved: " + failure), QMessageBox::Ok, this);
  box->setObjectName("SettingsNotSaved");
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

void MainWindow::syncValues() {
  values_.rangeMode = rangeMode_;
  values_.hostText = hostText_;
  values_.hostHistory.clear();
  for (int i = 0; i < ping_->hostCombo->count(); ++i) {
    values_.hostHistory.push_back(ss(ping_->hostCombo->itemText(i)));
  }
}

void MainWindow::requestStops() {
  if (pingRun_ != nullptr) pingRun_->requestStop();
  if (rangeRun_ != nullptr) rangeRun_->requestStop();
  if (traceRun_ != nullptr) traceRun_->requestStop();
}

// ---- Keyboard: default and cancel buttons ----------------------------------

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // Seen before the focused control, which would otherwise keep Enter and
  // Esc to itself (an editable combo box does).
  if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this ||
      QApplication::activePopupWidget() != nullptr ||
      QApplication::activeModalWidget() != nullptr) {
    return QMainWindow::eventFilter(watched, event);
  }
  auto* key = static_cast<QKeyEvent*>(event);
  QPushButton* defaultButton = nullptr;
  QPushButton* cancelButton = nullptr;
  if (tabs_->currentIndex() == kPingPage) {
    defaultButton = ping_->startButton;
    cancelButton = ping_->exitButton;
  } else if (tabs_->currentIndex() == kTracePage) {
    defaultButton = trace_->startButton;
    cancelButton = trace_->exitButton;
  }
  QPushButton* target = nullptr;
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    // A focused button takes Enter itself, as buttons do in dialogs.
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    target = focused != nullptr ? focused : defaultButton;
  } else if (key->key() == Qt::Key_Escape) {
    target = cancelButton;
  }
  if (target == nullptr) return QMainWindow::eventFilter(watched, event);
  if (target->isEnabled()) target->click();
  return true;
}

// ---- Ping tab: fields and mode switch ------------------------------------

void MainWindow::readPingFields() {
  PingTab& p = *ping_;
  if (!rangeMode_) hostText_ = ss(p.hostCombo->currentText());
  PingNumbers& numbers = rangeMode_ ? values_.range : values_.single;
  QLineEdit* edits[] = {p.countEdit, p.waitEdit, p.delayEdit, p.bytesEdit};
  for (std::size_t i = 0; i < kPingFields.size(); ++i) {
    RepairedNumber repaired = repairPingField(kPingFields[i], rangeMode_, ss(edits[i]->text()));
    if (repaired.rewrite) edits[i]->setText(QString::number(repaired.value));
    numbers.set(kPingFields[i], repaired.value);
  }
}

void MainWindow::showPingNumbers(const PingNumbers& numbers) {
  PingTab& p = *ping_;
  p.countEdit->setText(QString::number(numbers.count));
  p.waitEdit->setText(QString::number(numbers.waitMs));
  p.delayEdit->setText(QString::number(numbers.delayMs));
  p.bytesEdit->setText(QString::number(numbers.dataBytes));
}

void MainWindow::applyRangeControlStates() {
  PingTab& p = *ping_;
  p.hostLabel->setText("First IP:");
  p.countLabel->setText("Count:");
  p.hostCombo->setEnabled(false);
  p.hostCombo->hide();
  for (OctetEdit* edit : p.first) {
    edit->clear();
    edit->setEnabled(true);
    edit->show();
  }
  p.lastLabel->setEnabled(true);
  for (OctetEdit* edit : p.last) edit->clear();
  p.last[2]->setEnabled(true);
  p.last[3]->setEnabled(true);
  showPingNumbers(values_.range);
}

void MainWindow::applySingleControlStates() {
  PingTab& p = *ping_;
  p.hostLabel->setText("Host:");
  p.countLabel->setText("Count (0=endless):");
  p.hostCombo->setEnabled(true);
  p.hostCombo->show();
  for (OctetEdit* edit : p.first) {
    edit->clear();
    edit->setEnabled(false);
    edit->hide();
  }
  p.lastLabel->setEnabled(false);
  for (OctetEdit* edit : p.last) edit->clear();
  p.last[2]->setEnabled(false);
  p.last[3]->setEnabled(false);
  showPingNumbers(values_.single);
}

void MainWindow::fillOctetFields() {
  PingTab& p = *ping_;
  for (int i = 0; i < 4; ++i) {
    p.first[i]->setText(QString::number(values_.firstOctets[i]));
    p.last[i]->setText(QString::number(values_.lastOctets[i]));
  }
}

void MainWindow::onRangeBoxClicked() {
  PingTab& p = *ping_;
  pingStatus_ = {};
  showActiveStatus();
  if (rangeOctetsPending_) {
    // First click after a start with range mode saved on: bring back the
    // saved range instead of switching.
    rangeOctetsPending_ = false;
    rangeMode_ = true;
    applyRangeControlStates();
    fillOctetFields();
    return;
  }
  if (p.rangeBox->isChecked()) {
    readPingFields();
    rangeMode_ = true;
    const std::string source = ss(p.hostCombo->currentText());
    applyRangeControlStates();
    std::optional<Octets> address = parseOctets(source);
    if (!address) {
      p.first[0]->enter();
      return;
    }
    parsedOctets_ = *address;
    values_.firstOctets = *address;
    for (int i = 0; i < 4; ++i) p.first[i]->setText(QString::number((*address)[i]));
    p.last[0]->setText(p.first[0]->text());
    p.last[1]->setText(p.first[1]->text());
    if (values_.lastOctets[2] <= 0 && values_.lastOctets[3] <= 0) {
      p.last[2]->setText(p.first[2]->text());
    } else {
      p.last[2]->setText(QString::number(values_.lastOctets[2]));
      p.last[3]->setText(QString::number(values_.lastOctets[3]));
    }
    p.last[2]->enter();
    return;
  }
  readPingFields();
  rangeMode_ = false;
  OctetFieldTexts texts;
  auto octets = p.editableOctets();
  for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = ss(octets[i]->text());
  readOctetFieldsLeavingRange(texts, values_.firstOctets, values_.lastOctets);
  applySingleControlStates();
  if (auto address = formatFirstAddress(values_.firstOctets))
    p.hostCombo->setEditText(qs(*address));
  p.hostCombo->setFocus();
  readPingFields();
}

void MainWindow::onOctetLeft(int field) {
  if (!rangeMode_ || field > 2) return;
  PingTab& p = *ping_;
  // The first address's first two octets are also the last address's; its
  // third octet is the natural start for the last address's third.
  p.last[field]->setText(p.first[field]->text());
}

void MainWindow::onOctetMoveOn(int field) {
  auto octets = ping_->editableOctets();
  if (field + 1 < static_cast<int>(octets.size())) {
    octets[field + 1]->enter();
  } else {
    ping_->startButton->setFocus();
  }
}

void MainWindow::focusPingTarget() {
  if (rangeMode_) {
    ping_->first[0]->setFocus();
  } else {
    ping_->hostCombo->setFocus();
  }
}

// ---- Ping button -----------------------------------------------------------

void MainWindow::onPingButton() {
  if (closing_) return;
  PingTab& p = *ping_;
  // A run counts from its creation: its start step may still be queued.
  if (pingRunning_ || rangeRunning_ || pingRun_ != nullptr || rangeRun_ != nullptr) {
    if (pingRun_ != nullptr) pingRun_->requestStop();
    if (rangeRun_ != nullptr) rangeRun_->requestStop();
    p.startButton->setText("Wait...");
    p.startButton->setEnabled(false);
    return;
  }
  if (!networkReady_) {
    appendMessage(p.memo, "  \u00b7 Didn't see the errors above ?");
    appendAdviceLine();
    return;
  }
  readPingFields();
  if (rangeMode_) {
    startRangePing();
  } else {
    startSinglePing();
  }
}

void MainWindow::startSinglePing() {
  PingTab& p = *ping_;
  if (hostText_.empty()) {
    p.hostCombo->setFocus();
    return;
  }
  std::vector<std::string> history;
  for (int i = 0; i < p.hostCombo->count(); ++i) history.push_back(ss(p.hostCombo->itemText(i)));
  updateHostHistory(history, hostText_, values_.historySize);
  p.hostCombo->clear();
  for (const std::string& host : history) p.hostCombo->addItem(qs(host));
  p.hostCombo->setCurrentIndex(p.hostCombo->count() - 1);
  values_.hostHistory = history;

  PingSnapshot snapshot;
  snapshot.host = hostText_;
  snapshot.count = values_.single.count;
  snapshot.waitMs = values_.single.waitMs;
  snapshot.delayMs = values_.single.delayMs;
  snapshot.dataSize = static_cast<std::uint16_t>(values_.single.dataBytes);
  snapshot.ttl = values_.ttl;
  snapshot.tos = values_.tos;
  snapshot.dontFragment = values_.dontFragment;
  snapshot.routerAlert = values_.routerAlert && !values_.dontFragment;
  snapshot.resolveNames = values_.resolveNames;
  snapshot.audible = values_.audible;
  snapshot.ipOptionsSupported = ipOptionsSupported_;
  auto* run = new TPing(snapshot, views_->ping, services_.echoFactory, services_.toneFactory);
  run->setFreeOnTerminate(true);
  if (!run->start()) {
    delete run;
    appendMessage(p.memo, "  \u00b7 Could not create the pinger thread");
    return;
  }
  pingRun_ = run;
  p.startButton->setFocus();
}

void MainWindow::startRangePing() {
  PingTab& p = *ping_;
  std::array<std::string, 8> texts;
  for (int i = 0; i < 4; ++i) {
    texts[i] = ss(p.first[i]->text());
    texts[4 + i] = ss(p.last[i]->text());
  }
  std::optional<std::array<std::int32_t, 8>> octets = readRangeOctets(texts);
  Octets first{};
  Octets last{};
  if (octets) {
    std::copy_n(octets->begin(), 4, first.begin());
    std::copy_n(octets->begin() + 4, 4, last.begin());
  }
  if (!octets || !validateRange(RangeInput{first, last})) {
    appendMessage(p.memo, "  \u00b7 Please check IP Range");
    p.last[2]->setFocus();
    return;
  }
  values_.firstOctets = first;
  values_.lastOctets = last;
  RangeSnapshot snapshot;
  snapshot.input = RangeInput{first, last};
  snapshot.netMaskBits = values_.netMaskBits;
  snapshot.count = values_.range.count;
  snapshot.waitMs = values_.range.waitMs;
  snapshot.delayMs = values_.range.delayMs;
  snapshot.dataSize = static_cast<std::uint16_t>(values_.range.dataBytes);
  snapshot.ttl = 60;  // the single-host options never apply to a range
  snapshot.tos = 0;
  snapshot.flags = 0;
  snapshot.skipNetwork = values_.dontPingNet;
  snapshot.skipBroadcast = values_.dontBroadcast;
  snapshot.stopSoonOnBreak = values_.breakSoon;
  snapshot.showReached = values_.showReached;
  snapshot.showNotReached = values_.showNotReached;
  snapshot.burstMode = values_.burstMode;
  snapshot.echoFactory = services_.echoFactory;
  rangeRun_ = TCtrlPing::launch(std::move(snapshot), views_->range);
  if (rangeRun_ == nullptr) {
    appendMessage(p.memo, "  \u00b7 Could not create the thread controler");
    return;
  }
  p.startButton->setFocus();
}

// ---- Traceroute --------------------------------------------------------------

void MainWindow::readTraceFields() {
  TraceTab& t = *trace_;
  values_.traceHost = ss(t.hostEdit->text());
  RepairedNumber hops = repairMaxHops(ss(t.maxHopsEdit->text()));
  if (hops.rewrite) t.maxHopsEdit->setText(QString::number(static_cast<std::int32_t>(hops.value)));
  values_.maxHops = static_cast<std::int32_t>(hops.value);
  RepairedNumber wait = repairTraceWait(ss(t.waitEdit->text()));
  if (wait.rewrite) t.waitEdit->setText(QString::number(wait.value));
  values_.traceWaitMs = wait.value;
}

void MainWindow::onTraceButton() {
  if (closing_) return;
  TraceTab& t = *trace_;
  if (traceRunning_ || traceRun_ != nullptr) {
    if (traceRun_ != nullptr) traceRun_->requestStop();
    t.startButton->setText("Wait...");
    t.startButton->setEnabled(false);
    return;
  }
  if (!networkReady_) {
    appendMessage(t.memo, "  \u00b7 Didn't see the errors on the Ping Tab Sheet ?");
    return;
  }
  readTraceFields();
  if (values_.traceHost.empty()) {
    t.hostEdit->setFocus();
    return;
  }
  TraceSnapshot snapshot;
  snapshot.host = values_.traceHost;
  snapshot.maxHops = static_cast<std::uint32_t>(values_.maxHops);
  snapshot.waitMs = values_.traceWaitMs;
  snapshot.resolveNames = values_.traceResolveNames;
  snapshot.echoFactory = services_.echoFactory;
  if (services_.traceResolver) snapshot.resolver = *services_.traceResolver;
  auto startFlag = std::make_shared<TraceStartFlag>();
  auto* run = new TCtrlTrace(snapshot, views_->trace, startFlag);
  run->setFreeOnTerminate(true);
  if (!run->start()) {
    delete run;
    appendMessage(t.memo, "  \u00b7 Could not create the traceroute thread");
    return;
  }
  traceRun_ = run;
  // The controller sets the flag before its first hand-off, so this short
  // wait never needs the event loop.
  startFlag->waitUntilSet();
  traceRunning_ = true;
}

// ---- Clear buttons, tabs, host lists ----------------------------------------

void MainWindow::onPingClear() {
  ping_->memo->clear();
  ping_->reachedList->clear();
  pingStatus_ = {};
  showStatus(pingStatus_);
  focusPingTarget();
}

void MainWindow::onTraceClear() {
  trace_->memo->clear();
  trace_->reachedList->clear();
  trace_->notReachedList->clear();
  traceStatus_ = {};
  showStatus(traceStatus_);
  trace_->hostEdit->setFocus();
}

void MainWindow::onTabChanged(int index) {
  if (index == kPingPage) {
    showStatus(pingStatus_);
  } else if (index == kTracePage) {
    showStatus(traceStatus_);
    if (!rangeMode_ && trace_->hostEdit->text().isEmpty()) {
      trace_->hostEdit->setText(ping_->hostCombo->currentText());
    }
    if (traceResolvePending_) {
      trace_->resolveBox->setChecked(values_.traceResolveNames);
      traceResolvePending_ = false;
    }
  } else if (index == kWatchPage) {
    showStatus(watchStatus_);
  }
}

void MainWindow::onHostListChosen(const QString& text) { trace_->hostEdit->setText(text); }

void MainWindow::showStatus(const StatusPair& pair) {
  panel0_->setText(qs(pair[0]));
  panel1_->setText(qs(pair[1]));
}

void MainWindow::showActiveStatus() {
  switch (tabs_->currentIndex()) {
    case kTracePage:
      showStatus(traceStatus_);
      break;
    case kWatchPage:
      showStatus(watchStatus_);
      break;
    default:
      showStatus(pingStatus_);
  }
}

// ---- Steps of the runs ---------------------------------------------------------

void MainWindow::appendMessage(QPlainTextEdit* memo, const std::string& message) {
  memo->appendPlainText(" ");
  memo->appendPlainText(qs(message));
}

void MainWindow::replaceLastLine(QPlainTextEdit* memo, const std::string& line) {
  QTextDocument* document = memo->document();
  if (document->isEmpty()) {
    memo->appendPlainText(qs(line));
    return;
  }
  QTextCursor cursor(document->lastBlock());
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(qs(line));
}

void MainWindow::setExitButtonsEnabled() {
  ping_->exitButton->setEnabled(busyCount_ <= 0);
  trace_->exitButton->setEnabled(busyCount_ <= 0);
}

void MainWindow::pingBegin() {
  pingRunning_ = true;
  // A break pressed before this step keeps its "Wait...".
  if (ping_->startButton->isEnabled()) ping_->startButton->setText("&Break");
  ping_->clearButton->setEnabled(false);
  ping_->rangeBox->setEnabled(false);
  ++busyCount_;
  setExitButtonsEnabled();
}

void MainWindow::pingEnd() {
  pingRunning_ = false;
  pingRun_ = nullptr;  // the run frees itself right after this step
  ping_->startButton->setText("&Ping");
  appendPingLine(kEndOfPingLine);
  ping_->startButton->setEnabled(true);
  --busyCount_;
  setExitButtonsEnabled();
  ping_->clearButton->setEnabled(true);
  ping_->rangeBox->setEnabled(true);
  if (tabs_->currentIndex() == kPingPage) ping_->hostCombo->setFocus();
}

void MainWindow::rangeBegin() {
  rangeRunning_ = true;
  if (ping_->startButton->isEnabled()) ping_->startButton->setText("&Break");
  ++busyCount_;
  setExitButtonsEnabled();
  ping_->clearButton->setEnabled(false);
  ping_->rangeBox->setEnabled(false);
}

void MainWindow::rangeEnd() {
  rangeRunning_ = false;
  rangeRun_ = nullptr;  // the controller frees itself right after this step
  ping_->startButton->setText("&Ping");
  ping_->startButton->setEnabled(true);
  appendPingLine(kEndOfRangePingLine);
  --busyCount_;
  setExitButtonsEnabled();
  ping_->clearButton->setEnabled(true);
  ping_->rangeBox->setEnabled(true);
  if (tabs_->currentIndex() == kPingPage) ping_->first[0]->setFocus();
}

void MainWindow::traceBegin() {
  // A break pressed before this step keeps its "Wait...".
  if (trace_->startButton->isEnabled()) trace_->startButton->setText("&Break");
  ++busyCount_;
  setExitButtonsEnabled();
  trace_->clearButton->setEnabled(false);
  trace_->resolveBox->setEnabled(false);
}

void MainWindow::traceEnd() {
  traceRunning_ = false;
  traceRun_ = nullptr;  // the controller frees itself right after this step
  trace_->startButton->setText("&Traceroute");
  trace_->startButton->setEnabled(true);
  appendTraceLine(kEndOfTraceLine);
  --busyCount_;
  setExitButtonsEnabled();
  trace_->clearButton->setEnabled(true);
  trace_->resolveBox->setEnabled(true);
  if (tabs_->currentIndex() == kTracePage) trace_->hostEdit->setFocus();
}

void MainWindow::appendPingLine(const std::string& line) { ping_->memo->appendPlainText(qs(line)); }
void MainWindow::replacePingLine(const std::string& line) { replaceLastLine(ping_->memo, line); }
void MainWindow::appendTraceLine(const std::string& line) {
  trace_->memo->appendPlainText(qs(line));
}
void MainWindow::replaceTraceLine(const std::string& line) { replaceLastLine(trace_->memo, line); }

void MainWindow::setPanels(const std::string& panel0, const std::string& panel1) {
  panel0_->setText(qs(panel0));
  panel1_->setText(qs(panel1));
}

void MainWindow::setPingStatus(int panel, const std::string& text) {
  pingStatus_[panel] = text;
  if (tabs_->currentIndex() == kPingPage) (panel == 0 ? panel0_ : panel1_)->setText(qs(text));
}

void MainWindow::clearHostLists() {
  ping_->reachedList->clear();
  trace_->reachedList->clear();
  trace_->notReachedList->clear();
}

void MainWindow::addHost(const std::string& address, bool reached, bool selectFirst) {
  if (reached) {
    ping_->reachedList->addItem(qs(address));
    trace_->reachedList->addItem(qs(address));
  } else {
    trace_->notReachedList->addItem(qs(address));
  }
  if (selectFirst) selectFirstHost(reached);
}

void MainWindow::selectFirstHost(bool reached) {
  if (reached) {
    ping_->reachedList->setCurrentIndex(0);
    trace_->reachedList->setCurrentIndex(0);
  } else {
    trace_->notReachedList->setCurrentIndex(0);
  }
}

}  // namespace tarvo::ui
