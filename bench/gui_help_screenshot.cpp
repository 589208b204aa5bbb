// Takes the pictures of the About box and of the help window at the Ping
// and Traceroute fields' section.
//
//   tarvo_gui_help_screenshot ABOUT.png HELP.png
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ui/about_box.h"
#include "ui/help_window.h"

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: tarvo_gui_help_screenshot ABOUT.png HELP.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  int result = 0;
  tarvo::ui::AboutBox about;
  about.show();
  QCoreApplication::processEvents();
  if (!about.grab().save(argv[1])) result = 1;
  tarvo::ui::HelpWindow help;
  help.showContext(230);
  QCoreApplication::processEvents();
  if (!help.grab().save(argv[2])) result = 1;
  return result;
}
