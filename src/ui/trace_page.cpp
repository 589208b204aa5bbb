#include "ui/trace_page.h"

#include "trace/trace_settings.h"
#include "ui/gui_views.h"
#include "ui/input_rules.h"
#include "ui/ping_page.h"
#include "ui/qt_text.h"

namespace tarvo::ui {

TracePage::TracePage(PageHost& host, QWidget* tabParent, const PingPage& ping)
    : TabPage(host), tab_(tabParent), ping_(ping) {
  QWidget* p = tab_.page;
  QObject::connect(tab_.startButton, &QPushButton::clicked, p, [this] { onStartButton(); });
  QObject::connect(tab_.clearButton, &QPushButton::clicked, p, [this] { onClear(); });
  QObject::connect(tab_.resolveBox, &QCheckBox::clicked, p,
                   [this](bool checked) { host_.settings().traceResolveNames = checked; });
  for (QComboBox* list : {tab_.reachedList, tab_.notReachedList}) {
    QObject::connect(list, &QComboBox::textActivated, p,
                     [this](const QString& text) { tab_.hostEdit->setText(text); });
  }
}

TracePage::~TracePage() = default;

void TracePage::fill() {
  const settings::Settings& values = host_.settings();
  tab_.hostEdit->setText(qs(values.traceHost));
  tab_.waitEdit->setText(QString::number(values.traceWait));
  tab_.maxHopsEdit->setText(QString::number(values.maxHops));
}

void TracePage::showResolveNames(bool resolve) {
  tab_.resolveBox->setChecked(resolve);
  resolvePending_ = false;
}

void TracePage::entered() {
  if (tab_.hostEdit->text().isEmpty()) {
    if (auto host = ping_.singleHost()) tab_.hostEdit->setText(qs(*host));
  }
  if (resolvePending_) {
    tab_.resolveBox->setChecked(host_.settings().traceResolveNames);
    resolvePending_ = false;
  }
}

void TracePage::requestStops() {
  if (run_ != nullptr) run_->requestStop();
}

void TracePage::readFields() {
  settings::Settings& values = host_.settings();
  values.traceHost = ss(tab_.hostEdit->text());
  RepairedNumber hops = repairMaxHops(ss(tab_.maxHopsEdit->text()));
  if (hops.rewrite) {
    tab_.maxHopsEdit->setText(QString::number(static_cast<std::int32_t>(hops.value)));
  }
  values.maxHops = static_cast<std::int32_t>(hops.value);
  RepairedNumber wait = repairTraceWait(ss(tab_.waitEdit->text()));
  if (wait.rewrite) tab_.waitEdit->setText(QString::number(wait.value));
  values.traceWait = wait.value;
}

void TracePage::onStartButton() {
  if (host_.closing()) return;
  if (running_ || run_ != nullptr) {
    requestStops();
    tab_.startButton->setText("Wait...");
    tab_.startButton->setEnabled(false);
    return;
  }
  if (!host_.networkReady()) {
    appendMessage(tab_.memo, "  \u00b7 Didn't see the errors on the Ping Tab Sheet ?");
    return;
  }
  readFields();
  const settings::Settings& values = host_.settings();
  if (values.traceHost.empty()) {
    tab_.hostEdit->setFocus();
    return;
  }
  TraceSnapshot snapshot = traceSnapshotFrom(values);
  snapshot.echoFactory = host_.services().echoFactory;
  snapshot.resolver = host_.services().resolver();
  auto startFlag = std::make_shared<TraceStartFlag>();
  auto* run = new TCtrlTrace(snapshot, host_.views().trace, startFlag);
  run->setFreeOnTerminate(true);
  if (!run->start()) {
    delete run;
    appendMessage(tab_.memo, "  \u00b7 Could not create the traceroute thread");
    return;
  }
  run_ = run;
  // The controller sets the flag before its first hand-off, so this short
  // wait never needs the event loop.
  startFlag->waitUntilSet();
  running_ = true;
}

void TracePage::onClear() {
  tab_.memo->clear();
  tab_.reachedList->clear();
  tab_.notReachedList->clear();
  setStatus(StatusPair{});
  tab_.hostEdit->setFocus();
}

void TracePage::begin() {
  // A break pressed before this step keeps its "Wait...".
  if (tab_.startButton->isEnabled()) tab_.startButton->setText("&Break");
  host_.runBegan();
  tab_.clearButton->setEnabled(false);
  tab_.resolveBox->setEnabled(false);
}

void TracePage::end() {
  running_ = false;
  run_ = nullptr;  // the controller frees itself right after this step
  tab_.startButton->setText("&Traceroute");
  tab_.startButton->setEnabled(true);
  appendLine(kEndOfTraceLine);
  host_.runEnded();
  tab_.clearButton->setEnabled(true);
  tab_.resolveBox->setEnabled(true);
  if (host_.isCurrent(*this)) tab_.hostEdit->setFocus();
}

void TracePage::appendLine(const std::string& line) { tab_.memo->appendPlainText(qs(line)); }
void TracePage::replaceLine(const std::string& line) { replaceLastLine(tab_.memo, line); }

}  // namespace tarvo::ui
