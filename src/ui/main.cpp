#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "base/thread_base.h"
#include "engine/least_privilege.h"
#include "ui/desktop_ending.h"
#include "ui/main_window.h"

int main(int argc, char* argv[]) {
  // The echo sockets are the only use of a privilege: open them, then give
  // up every capability before the toolkit loads any plug-in.
  const auto drop = tarvo::openEchoSocketsThenDropPrivileges();
  if (!drop.dropped) std::fprintf(stderr, "tarvo: privileges kept: %s\n", drop.problem.c_str());
  int result = 0;
  {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tarvo");
    tarvo::ui::MainWindow window;
    tarvo::ui::DesktopEnding ending(window);
    window.show();
    result = QApplication::exec();
  }
  // A run that did not notice the stop in time still holds its thread; end
  // without running static destructors underneath it.
  if (tarvo::ThreadBase::liveThreads() > 0) {
    std::fflush(nullptr);
    std::_Exit(result);
  }
  return result;
}
