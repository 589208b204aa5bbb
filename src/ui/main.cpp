#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "base/thread_base.h"
#include "ui/desktop_ending.h"
#include "ui/main_window.h"

int main(int argc, char* argv[]) {
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
