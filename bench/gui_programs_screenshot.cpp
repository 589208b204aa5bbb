// Takes the picture of the "Additional Commands and Arguments" dialog with
// two stored programs, and optionally of the window's Ping tab behind it.
//
//   tarvo_gui_programs_screenshot DIALOG.png [WINDOW.png]
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ui/main_window.h"

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tarvo_gui_programs_screenshot DIALOG.png [WINDOW.png]\n");
    return 2;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvo-shot-XXXXXX").string();
  std::filesystem::path dir = mkdtemp(pattern.data());
  setenv("TARVO_REGISTRY", (dir / "registry.json").c_str(), 1);
  // The kept watch list and the history there too, not in the user's.
  setenv("XDG_STATE_HOME", dir.c_str(), 1);
  std::ofstream(dir / "registry.json") << R"({"SOFTWARE":{"Dravenco":{"Tarvo":{
      "Settings":{"P_ActiveCommand":"3"},
      "OtherCommands":{
        "C0000001":{"CommandLine":"ssh","CommandName":"Secure shell",
                    "PreIPArguments":"-l admin","PostIPArguments":" "},
        "C0000002":{"CommandLine":"/usr/bin/xdg-open","CommandName":"Browser",
                    "PreIPArguments":" ","PostIPArguments":" "}}}}}})";
  int result = 1;
  {
    QApplication app(argc, argv);
    tarvo::ui::MainWindow window;
    window.resize(640, 520);
    window.show();
    QCoreApplication::processEvents();
    if (argc > 2) window.grab().save(argv[2]);
    QTimer::singleShot(300, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      if (dialog->grab().save(argv[1])) result = 0;
      dialog->reject();
    });
    window.findChild<QAction*>("EditAdditionalProgs1")->trigger();
    window.close();
  }
  std::filesystem::remove_all(dir);
  return result;
}
