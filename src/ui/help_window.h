#pragma once

#include <QWidget>

class QTextBrowser;

namespace tarvo::ui {

// The help context number of a control: its own or, failing that, the
// nearest parent's; 0 when none of them has one.
int helpContextOf(const QWidget* widget);

// The anchor of a help context's section in the bundled help page.
QString helpAnchor(int context);

// The program's help: a text browser on the HTML page bundled with the
// program, opened at the section of a help context.
class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  // The whole page from its contents at the top.
  void showContents();
  // The section of a context; the contents when it has none.
  void showContext(int context);

  QTextBrowser* browser() const { return browser_; }

 private:
  void present();

  QTextBrowser* browser_;
};

}  // namespace tarvo::ui
