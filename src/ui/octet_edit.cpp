#include "ui/octet_edit.h"

#include <QKeyEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "ui/input_rules.h"

namespace tarvo::ui {

namespace {

// Keys that edit or select rather than type: Delete ("\x7f"), Ctrl+A
// ("\x01") and the other shortcuts, Enter and Esc (which belong to the
// window's default and cancel buttons), Tab.
bool isEditingKey(const QKeyEvent& event, char32_t character) {
  if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return true;
  return character < U' ' || character == U'\x7f';
}

}  // namespace

OctetEdit::OctetEdit(QWidget* parent) : QLineEdit(parent) {
  setMaxLength(3);
  // Pasted text bypasses the key filter below.
  setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,3}"), this));
}

void OctetEdit::enter() {
  setFocus(Qt::OtherFocusReason);
  // Typing then replaces the old octet instead of appending to it.
  selectAll();
}

void OctetEdit::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  if (!isEnabled() || text.isEmpty() || isEditingKey(*event, text.at(0).unicode())) {
    QLineEdit::keyPressEvent(event);  // navigation, editing and the like
    return;
  }
  switch (classifyOctetKey(text.at(0).unicode())) {
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
