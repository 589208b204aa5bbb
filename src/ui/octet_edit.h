#pragma once

#include <QLineEdit>
#include <QPushButton>

namespace tarvo::ui {

// An address octet field: digits only, at most three characters, with the
// usual editing keys; "." is never inserted but asks to move on to the next
// field when this one is not empty.
class OctetEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit OctetEdit(QWidget* parent = nullptr);

  // Gives the field the focus with its text selected, as a move by Tab does.
  void enter();

 signals:
  void moveOnRequested();
  void left();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

// The Ping tab's start button: Ctrl+C while it has the focus acts as a click
// when the window says a run may be broken.
class StartButton : public QPushButton {
  Q_OBJECT
 public:
  using QPushButton::QPushButton;

 signals:
  void breakKeyPressed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tarvo::ui
