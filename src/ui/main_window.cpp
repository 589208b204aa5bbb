#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <cstdio>

#include "base/thread_base.h"
#include "engine/echo_permission.h"
#include "ui/gui_hand_off.h"
#include "ui/gui_views.h"
#include "ui/kept_past_exit.h"
#include "ui/ping_page.h"
#include "ui/qt_text.h"
#include "ui/settings_bridge.h"
#include "ui/trace_page.h"
#include "ui/watch_page.h"

namespace tarvo::ui {

namespace {

constexpr int kMinWidth = 600;
constexpr int kMinHeight = 450;
constexpr int kContextWindow = 100;
constexpr int kPingPage = 0;
// How long a closing window gives its runs to notice the stop request
// before the program ends without them.
constexpr std::uint32_t kExitGraceMs = 3000;

// The tabs, at least as large as a floor; beyond it as large as the pages'
// layouts need, so a larger font widens the window instead of clipping.
class PageControl : public QTabWidget {
 public:
  using QTabWidget::QTabWidget;
  void setFloor(QSize floor) {
    floor_ = floor;
    updateGeometry();
  }
  QSize minimumSizeHint() const override {
    return QTabWidget::minimumSizeHint().expandedTo(floor_);
  }

 private:
  QSize floor_;
};

}  // namespace

void appendMessage(QPlainTextEdit* memo, const std::string& message) {
  memo->appendPlainText(" ");
  memo->appendPlainText(qs(message));
}

void replaceLastLine(QPlainTextEdit* memo, const std::string& line) {
  QTextDocument* document = memo->document();
  if (document->isEmpty()) {
    memo->appendPlainText(qs(line));
    return;
  }
  QTextCursor cursor(document->lastBlock());
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(qs(line));
}

MainWindow::MainWindow(WindowServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)) {
  if (!services_.echoFactory) services_.echoFactory = icmpEchoServiceFactory();
  if (!services_.networkCheck) services_.networkCheck = runNetworkCheck;
  if (!services_.toneFactory) services_.toneFactory = defaultToneFactory();
  handOff_ = std::make_shared<GuiHandOff>();
  views_ = std::make_unique<WindowViews>(*this, handOff_);

  setWindowTitle("Tarvo");
  setProperty(kHelpContextProperty, kContextWindow);

  auto* tabs = new PageControl(this);
  tabs_ = tabs;
  tabs_->setObjectName("PageControl1");
  PageHost& host = *this;
  ping_ = std::make_unique<PingPage>(host, tabs_);
  trace_ = std::make_unique<TracePage>(host, tabs_, *ping_);
  watch_ = std::make_unique<WatchPage>(host, tabs_, *trace_);
  pages_ = {ping_.get(), trace_.get(), watch_.get()};
  tabs_->addTab(ping_->page(), "Ping");
  tabs_->addTab(trace_->page(), "Traceroute");
  tabs_->addTab(watch_->page(), "Watch");
  setCentralWidget(tabs_);
  for (TabPage* page : pages_) {
    if (page->exitButton() != nullptr) {
      connect(page->exitButton(), &QPushButton::clicked, this, &QWidget::close);
    }
  }
  buildMenu();
  buildStatusBar();
  qApp->installEventFilter(this);
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { onTabChanged(index); });
  // At least the classic window size.
  int bars = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
  tabs->setFloor(QSize(kMinWidth, kMinHeight - bars));
  resize(kMinWidth, kMinHeight);
  startUp();
  // Controls hidden before the window first shows do not tell the layouts
  // that measured them; measured again, the window keeps its size.
  for (TabPage* page : pages_) {
    if (QLayout* layout = page->page()->layout()) {
      layout->invalidate();
      layout->activate();
    }
  }
}

MainWindow::~MainWindow() {
  stopRunsForClosing();
  // A run still going holds references to the views; keep them alive past
  // the window when it does not end in time (their steps no longer run).
  if (!ThreadBase::waitAllEnded(kExitGraceMs)) {
    keptPastExit(views_.release());
    keptPastExit(new std::shared_ptr<GuiHandOff>(handOff_));
  }
}

const GuiHandOff& MainWindow::handOff() const { return *handOff_; }
bool MainWindow::pingRunning() const { return ping_->pingRunning(); }
bool MainWindow::rangeRunning() const { return ping_->rangeRunning(); }
bool MainWindow::traceRunning() const { return trace_->running(); }
bool MainWindow::rangeMode() const { return ping_->rangeMode(); }

void MainWindow::buildMenu() {
  QMenu* file = menuBar()->addMenu("&File");
  QAction* saveNow = file->addAction("Save Settings Now");
  saveNow->setObjectName("SaveSettingsNow");
  connect(saveNow, &QAction::triggered, this, [this] { saveSettingsNow(); });
  file->addSeparator();
  QAction* exitAction = file->addAction("E&xit");
  exitAction->setObjectName("Exit1");
  connect(exitAction, &QAction::triggered, this, &QWidget::close);

  QMenu* extras = menuBar()->addMenu("&Extras");
  extras->setObjectName("Extras1");
  QAction* programs = extras->addAction("&Edit Additional Progs");
  programs->setObjectName("EditAdditionalProgs1");
  connect(programs, &QAction::triggered, this, [this] { showAdditionalPrograms(); });
  buildSaveMenu(extras);
  extras->addSeparator();
  QAction* advanced = extras->addAction("&Advanced Options...");
  advanced->setObjectName("AdvancedOptions1");
  connect(advanced, &QAction::triggered, this, [this] { showAdvancedOptions(); });
  buildHelpMenu();
  buildTray();
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
  rangeProgress_ = new QProgressBar(this);
  rangeProgress_->setObjectName("RangeProgress");
  rangeProgress_->setTextVisible(true);
  rangeProgress_->setAlignment(Qt::AlignCenter);
  rangeProgress_->setFixedWidth(rangeProgress_->fontMetrics().horizontalAdvance(
                                    "65536 / 65536  100.0%  999.9/s  9:59:59 left") +
                                24);
  rangeProgress_->hide();
  statusBar()->addPermanentWidget(rangeProgress_);
}

// ---- Start-up, show, close ----------------------------------------------

void MainWindow::startUp() {
  NetworkCheck check = services_.networkCheck();
  if (!check.networkReady) {
    showEchoPermissionAdvice(check);
    return;
  }
  ipOptionsSupported_ = check.ipOptionsSupported;
  networkReady_ = true;
  store_ = std::make_unique<WindowSettingsStore>();
  values_ = store_->load();
  applyBounds();
  ping_->fill();
  trace_->fill();
  watch_->loadKeptList();
  progs_ = connectPrograms();
}

void MainWindow::showEchoPermissionAdvice(const NetworkCheck& check) {
  const std::string& message = check.message;
  // Allowing ping sockets helps only where they were refused.
  std::string advice = echoRefusalText(check.refusal);
  if (advice.empty()) advice = echoPermissionAdviceLine(ownExecutablePath("tarvo"));
  ping_->showNetworkFailure(message, advice);
  // No run can start, so the panels stay empty; the advice takes the whole
  // bar instead. Ignored width: the long line must not widen the window.
  auto* line = new QLabel(qs(advice), this);
  line->setObjectName("StatusAdvice");
  line->setToolTip(line->text());
  line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  panel0_->hide();
  panel1_->hide();
  statusBar()->addWidget(line, 1);
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

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  tabs_->setCurrentIndex(kPingPage);
  ping_->firstShown();
  // The watch list's autostart file, and the monitor when so set; only at
  // program start, not when the window shows again later.
  if (networkReady_ && watch_->mergeAutoStartFile()) {
    tabs_->setCurrentWidget(watch_->page());
    watch_->onStartButton();
  }
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
  for (TabPage* page : pages_) page->requestStops();
  handOff_->shutDown();
  for (TabPage* page : pages_) page->forgetRuns();
}

void MainWindow::saveOnClose() {
  if (!networkReady_) return;  // nothing was loaded, so nothing to keep
  ping_->storeHistory();
  storeProgramSelection();
  // The window is going away: standard error is the one place left to say it.
  std::string failure =
      store_->save(values_, currentBounds(), WindowSettingsStore::Occasion::Closing);
  if (!failure.empty())
    std::fprintf(stderr, "tarvo: the settings were not saved: %s\n", failure.c_str());
}

void MainWindow::saveSettingsNow() {
  if (!networkReady_) return;
  ping_->storeHistory();
  storeProgramSelection();
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
  QPushButton* target = nullptr;
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    // A focused button takes Enter itself, as buttons do in dialogs.
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    target = focused != nullptr ? focused : currentPage().defaultButton();
  } else if (key->key() == Qt::Key_Escape) {
    target = currentPage().cancelButton();
  }
  if (target == nullptr) return QMainWindow::eventFilter(watched, event);
  if (target->isEnabled()) target->click();
  return true;
}

// ---- Tabs, status bar, busy count ----------------------------------------------

TabPage& MainWindow::currentPage() const {
  int index = tabs_->currentIndex();
  return *pages_[index >= 0 && index < static_cast<int>(pages_.size()) ? index : kPingPage];
}

bool MainWindow::isCurrent(const TabPage& page) const { return &currentPage() == &page; }

void MainWindow::onTabChanged(int index) {
  if (index < 0 || index >= static_cast<int>(pages_.size())) return;
  showStatus(pages_[index]->status());
  rangeProgress_->setVisible(rangeProgressOn_ && index == kPingPage);
  pages_[index]->entered();
}

void MainWindow::statusChanged(const TabPage& page, int panel) {
  if (!isCurrent(page)) return;
  if (panel < 0) {
    showStatus(page.status());
  } else {
    (panel == 0 ? panel0_ : panel1_)->setText(qs(page.status()[panel]));
  }
}

void MainWindow::showStatus(const StatusPair& pair) {
  panel0_->setText(qs(pair[0]));
  panel1_->setText(qs(pair[1]));
}

void MainWindow::setPanels(const std::string& panel0, const std::string& panel1) {
  panel0_->setText(qs(panel0));
  panel1_->setText(qs(panel1));
}

void MainWindow::setRangeProgress(std::uint32_t done, std::uint32_t total,
                                  const std::string& text) {
  rangeProgressOn_ = true;
  rangeProgress_->setRange(0, static_cast<int>(total));
  rangeProgress_->setValue(static_cast<int>(done));
  // Taken as a format, but the text holds none of its placeholders.
  rangeProgress_->setFormat(qs(text));
  rangeProgress_->setVisible(isCurrent(*ping_));
}

void MainWindow::endRangeProgress() {
  rangeProgressOn_ = false;
  rangeProgress_->hide();
}

void MainWindow::runBegan() {
  ++busyCount_;
  setExitButtonsEnabled();
}

void MainWindow::runEnded() {
  --busyCount_;
  setExitButtonsEnabled();
}

void MainWindow::setExitButtonsEnabled() {
  for (TabPage* page : pages_) {
    if (page->exitButton() != nullptr) page->exitButton()->setEnabled(busyCount_ <= 0);
  }
}

// ---- Host lists ------------------------------------------------------------------

void MainWindow::clearHostLists() {
  ping_->reachedList()->clear();
  trace_->reachedList()->clear();
  trace_->notReachedList()->clear();
}

void MainWindow::addHost(const std::string& address, bool reached, bool selectFirst) {
  if (reached) {
    ping_->reachedList()->addItem(qs(address));
    trace_->reachedList()->addItem(qs(address));
  } else {
    trace_->notReachedList()->addItem(qs(address));
  }
  if (selectFirst) selectFirstHost(reached);
}

void MainWindow::selectFirstHost(bool reached) {
  if (reached) {
    ping_->reachedList()->setCurrentIndex(0);
    trace_->reachedList()->setCurrentIndex(0);
  } else {
    trace_->notReachedList()->setCurrentIndex(0);
  }
}

}  // namespace tarvo::ui
