#include "ui/octet_edit.h"

#include <QKeyEvent>

#include "ui/input_rules.h"

namespace tarvo::ui {

OctetEdit::OctetEdit(QWidget* parent) : QLineEdit(parent) { setMaxLength(3); }

void OctetEdit::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  if (!isEnabled() || text.isEmpty()) {
    QLineEdit::keyPressEvent(event);  // navigation and the like
    return;
  }
  const char32_t character = text.at(0).unicode();
  // Enter and Esc belong to the window's default and cancel buttons.
  if (character == U'\r' || character == U'\n' || character == U'\x1b' || character == U'\t') {
    QLineEdit::keyPressEvent(event);
    return;
  }
  switch (classifyOctetKey(character)) {
    case OctetKey::Accept:
      QLineEdit::keyPressEvent(event);
      return;
    case OctetKey::MoveOn:
      if (!this->text().isEmpty()) emit moveOnRequested();
      event->accept();
      return;
    case OctetKey::Discard:
      event->accept();
      return;
  }
}

void OctetEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  emit left();
}

void StartButton::keyPressEvent(QKeyEvent* event) {
  // Recognised by the key itself, whatever other shift keys are held.
  if (event->key() == Qt::Key_C && (event->modifiers() & Qt::ControlModifier)) {
    emit breakKeyPressed();
    event->accept();
    return;
  }
  QPushButton::keyPressEvent(event);
}

}  // namespace tarvo::ui
