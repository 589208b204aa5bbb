#include "window_test_support.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>

#include "base/thread_base.h"

namespace tarvo::ui::testing {

namespace {

class SilentTone : public Tone {
 public:
  void play(std::uint32_t, std::uint32_t) override {}
};

}  // namespace

bool withModal(const char* name, const std::function<void(QWidget*)>& steps,
               const std::function<void()>& open) {
  bool ran = false;
  QTimer poll;
  int ticks = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || (name != nullptr && modal->objectName() != name)) {
      if (++ticks > 500) poll.stop();
      return;
    }
    poll.stop();
    ran = true;
    steps(modal);
    if (auto* dialog = qobject_cast<QDialog*>(modal); dialog != nullptr && dialog->isVisible())
      dialog->reject();
  });
  poll.start(10);
  open();
  return ran;
}

std::string messageShownBy(const std::function<void()>& open) {
  std::string said;
  withModal(
      nullptr,
      [&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) return;
        said = (box->objectName() + "|" + box->windowTitle() + "|" + box->text()).toStdString();
        box->accept();
      },
      open);
  return said;
}

std::string shownIn(const QObject* parent, const std::vector<const char*>& names) {
  QStringList texts;
  for (const char* name : names) {
    QWidget* control = child<QWidget>(parent, name);
    if (control == nullptr) {
      texts << "?";
    } else if (auto* box = qobject_cast<QAbstractButton*>(control);
               box != nullptr && box->isCheckable()) {
      texts << (box->isChecked() ? "1" : "0");
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
      texts << list->currentText();
    } else {
      texts << control->property("text").toString();
    }
  }
  return texts.join('|').toStdString();
}

std::string enabledIn(const QObject* parent, const std::vector<const char*>& names) {
  std::string flags;
  for (const char* name : names) {
    const QWidget* control = child<QWidget>(parent, name);
    flags += control != nullptr && control->isEnabled() ? '1' : '0';
  }
  return flags;
}

void WindowTest::open(bool realEngine) {
  WindowServices services;
  if (!realEngine) {
    services.echoFactory = network.factory();
    services.networkCheck = [] { return NetworkCheck{true, true, "", EchoOpenResult::Ok, {}}; };
  }
  services.toneFactory = [] { return std::make_unique<SilentTone>(); };
  if (adjustServices) adjustServices(services);
  window = std::make_unique<MainWindow>(std::move(services));
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

void WindowTest::closeWindow() {
  window->close();
  window.reset();
}

void WindowTest::writeSettings(const std::string& members) {
  registry.write(R"({"SOFTWARE":{"Dravenco":{"Tarvo":{"Settings":{)" + members + "}}}}}");
}

nlohmann::json WindowTest::stored() const {
  return nlohmann::json::parse(registry.read())["SOFTWARE"]["Dravenco"]["Tarvo"];
}

void WindowTest::TearDown() {
  if (window) closeWindow();
  // No run of one test may leak into the next.
  EXPECT_TRUE(ThreadBase::waitAllEnded(10000));
}

std::vector<std::string> WindowTest::lines(const char* memoName) {
  const QString text = memo(memoName)->toPlainText();
  std::vector<std::string> result;
  if (!text.isEmpty()) {
    for (const QString& line : text.split('\n')) result.push_back(line.toStdString());
  }
  return result;
}

std::vector<std::string> WindowTest::items(const char* comboName) {
  std::vector<std::string> result;
  for (int i = 0; i < combo(comboName)->count(); ++i)
    result.push_back(combo(comboName)->itemText(i).toStdString());
  return result;
}

std::string WindowTest::panel(int index) {
  return find<QLabel>(index == 0 ? "StatusPanel0" : "StatusPanel1")->text().toStdString();
}

bool WindowTest::waitForLine(const char* memoName, const std::string& text, int count) {
  return waitUntil([&] { return std::ranges::count(lines(memoName), text) >= count; });
}

}  // namespace tarvo::ui::testing
