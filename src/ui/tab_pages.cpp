#include "ui/tab_pages.h"

#include <QFontMetrics>
#include <QResizeEvent>

namespace tarvo::ui {

namespace {

constexpr int kFieldHeight = 21;
constexpr int kButtonHeight = 25;
constexpr int kMemoTop = 120;
constexpr int kContextFields = 230;
constexpr int kContextHostLists = 240;

template <typename W>
W* make(QWidget* parent, const char* formName, int x, int y, int w, int h, int helpContext = 0) {
  auto* widget = new W(parent);
  widget->setObjectName(formName);
  widget->setGeometry(x, y, w, h);
  if (helpContext != 0) widget->setProperty(kHelpContextProperty, helpContext);
  return widget;
}

// A label that ends just before the field it names, so wider fonts grow it
// to the left rather than over the field.
QLabel* labelBefore(QWidget* parent, const char* formName, const QString& text, int fieldX, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(formName);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  int width = label->fontMetrics().horizontalAdvance(text) + 2;
  label->setGeometry(fieldX - 4 - width, y, width, kFieldHeight);
  return label;
}

QLabel* labelAbove(QWidget* parent, const char* formName, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(formName);
  label->setGeometry(x, y, label->fontMetrics().horizontalAdvance(text) + 4, 15);
  return label;
}

QPlainTextEdit* makeMemo(AnchoredPage* page, const char* formName) {
  auto* memo = new QPlainTextEdit(page);
  memo->setObjectName(formName);
  memo->setReadOnly(true);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  memo->setUndoRedoEnabled(false);       // the runs append thousands of lines
  // Plain Latin lines need no shaping; skipping it keeps appending a line
  // cheap when a range ping delivers thousands of them.
  QFont font("Monospace");
  font.setStyleHint(QFont::TypeWriter);
  font.setStyleStrategy(QFont::PreferNoShaping);
  memo->setFont(font);
  page->setAnchored(memo, kMemoTop);
  return memo;
}

QComboBox* makeList(QWidget* parent, const char* formName, int x, int y, int w) {
  auto* list = make<QComboBox>(parent, formName, x, y, w, kFieldHeight, kContextHostLists);
  list->setEditable(false);
  return list;
}

}  // namespace

void AnchoredPage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (anchored_ != nullptr) {
    anchored_->setGeometry(0, anchoredTop_, width(), std::max(0, height() - anchoredTop_));
  }
}

PingTab::PingTab(QWidget* tabParent) {
  page = new AnchoredPage(tabParent);
  QWidget* p = page;
  hostLabel = labelBefore(p, "Label1", "First IP:", 56, 12);
  hostCombo = make<QComboBox>(p, "ComboBox4", 56, 12, 135, kFieldHeight, kContextFields);
  hostCombo->setEditable(true);
  hostCombo->setInsertPolicy(QComboBox::NoInsert);  // the history is kept by the window
  hostCombo->setMaxVisibleItems(20);
  const char* firstNames[] = {"Edit1", "Edit6", "Edit7", "Edit8"};
  const char* lastNames[] = {"Edit9", "Edit10", "Edit11", "Edit12"};
  for (int i = 0; i < 4; ++i) {
    first[i] = make<OctetEdit>(p, firstNames[i], 56 + 35 * i, 12, 30, kFieldHeight, kContextFields);
    last[i] = make<OctetEdit>(p, lastNames[i], 56 + 35 * i, 36, 30, kFieldHeight, kContextFields);
  }
  last[0]->setEnabled(false);
  last[1]->setEnabled(false);
  lastLabel = labelBefore(p, "Label9", "Last IP:", 56, 36);
  rangeBox = make<QCheckBox>(p, "CheckBox1", 56, 60, 170, 17, kContextFields);
  rangeBox->setText("Enable range pinging");

  countEdit = make<QLineEdit>(p, "Edit2", 316, 12, 65, kFieldHeight, kContextFields);
  countEdit->setToolTip("If Range Pinging is enabled, Count cannot be 0.");
  countLabel = labelBefore(p, "Label2", "Count (0=endless):", 316, 12);
  countLabel->setToolTip(countEdit->toolTip());
  waitEdit = make<QLineEdit>(p, "Edit3", 316, 36, 65, kFieldHeight, kContextFields);
  labelBefore(p, "Label3", "Wait for reply [ms]:", 316, 36);
  delayEdit = make<QLineEdit>(p, "Edit4", 520, 12, 65, kFieldHeight, kContextFields);
  labelBefore(p, "Label4", "Delay requests [ms]:", 520, 12);
  bytesEdit = make<QLineEdit>(p, "Edit5", 520, 36, 65, kFieldHeight, kContextFields);
  labelBefore(p, "Label5", "Data Bytes:", 520, 36);

  startButton = make<StartButton>(p, "Button1", 56, 88, 75, kButtonHeight, kContextFields);
  startButton->setText("&Ping");
  clearButton = make<QPushButton>(p, "Button4", 144, 88, 51, kButtonHeight, kContextFields);
  clearButton->setText("&Clear");
  exitButton = make<QPushButton>(p, "Button2", 200, 88, 51, kButtonHeight, kContextFields);
  exitButton->setText("E&xit");

  labelAbove(p, "Label13", "Reached hosts:", 410, 75);
  reachedList = makeList(p, "ComboBox1", 410, 90, 157);
  memo = makeMemo(page, "Memo1");

  // Tab order: the fields as they are read, then the buttons.
  QWidget* order[] = {hostCombo,   first[0],    first[1],   first[2],   first[3],  last[2],
                      last[3],     rangeBox,    countEdit,  waitEdit,   delayEdit, bytesEdit,
                      startButton, clearButton, exitButton, reachedList};
  for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

TraceTab::TraceTab(QWidget* tabParent) {
  page = new AnchoredPage(tabParent);
  QWidget* p = page;
  hostEdit = make<QLineEdit>(p, "Edit13", 56, 12, 135, kFieldHeight, kContextFields);
  labelBefore(p, "Label14", "Host:", 56, 12);
  resolveBox = make<QCheckBox>(p, "CheckBox2", 56, 40, 150, 17, kContextFields);
  resolveBox->setText("Resolve addresses");
  maxHopsEdit = make<QLineEdit>(p, "Edit15", 316, 12, 65, kFieldHeight, kContextFields);
  labelBefore(p, "Label18", "Max hops:", 316, 12);
  waitEdit = make<QLineEdit>(p, "Edit14", 316, 36, 65, kFieldHeight, kContextFields);
  labelBefore(p, "Label17", "Wait for reply [ms]:", 316, 36);
  notReachedList = makeList(p, "ComboBox3", 440, 64, 127);
  labelBefore(p, "Label16", "Hosts NOT reached by Ping:", 440, 64);
  reachedList = makeList(p, "ComboBox2", 440, 90, 127);
  labelBefore(p, "Label15", "Hosts reached by Ping:", 440, 90);

  startButton = make<QPushButton>(p, "Button3", 56, 88, 75, kButtonHeight, kContextFields);
  startButton->setText("&Traceroute");
  clearButton = make<QPushButton>(p, "Button5", 144, 88, 51, kButtonHeight, kContextFields);
  clearButton->setText("&Clear");
  exitButton = make<QPushButton>(p, "Button6", 200, 88, 51, kButtonHeight, kContextFields);
  exitButton->setText("E&xit");
  memo = makeMemo(page, "Memo2");

  QWidget* order[] = {hostEdit,    resolveBox, maxHopsEdit,    waitEdit,   startButton,
                      clearButton, exitButton, notReachedList, reachedList};
  for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace tarvo::ui
