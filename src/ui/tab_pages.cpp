#include "ui/tab_pages.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

namespace tarvo::ui {

namespace {

constexpr int kContextFields = 230;
constexpr int kContextHostLists = 240;
constexpr int kContextProgs = 250;
constexpr int kOctetSpacing = 5;
// Columns of both pages' control grids: label and field on the left, two
// label-field pairs on the right, with spacers between the groups that take
// what the window gives beyond the controls' needs.
enum Column {
  kLeftLabel,
  kLeftField,
  kSpacer1,
  kMidLabel,
  kMidField,
  kSpacer2,
  kRightLabel,
  kRightField
};

template <typename W>
W* make(QWidget* parent, const char* formName, int helpContext = 0) {
  auto* widget = new W(parent);
  widget->setObjectName(formName);
  if (helpContext != 0) widget->setProperty(kHelpContextProperty, helpContext);
  return widget;
}

// The width of a line edit holding `digits` digits of its font, with its
// frame; from the font, so a larger font widens the field.
int digitsWidth(const QLineEdit* edit, int digits) {
  QFontMetrics metrics = edit->fontMetrics();
  int frame = edit->sizeHint().width() - 17 * metrics.horizontalAdvance(QLatin1Char('x'));
  return std::max(frame, 8) + metrics.horizontalAdvance(QString(digits, '0'));
}

// The width of a host field: the four octet fields it stands in for.
int hostWidth(const QLineEdit* edit) { return 4 * digitsWidth(edit, 3) + 3 * kOctetSpacing; }

template <typename W>
W* field(QWidget* parent, const char* formName, int digits) {
  auto* edit = make<W>(parent, formName, kContextFields);
  edit->setFixedWidth(digitsWidth(edit, digits));
  return edit;
}

// A label kept as wide as its longest text, so switching texts does not
// move the fields around it.
QLabel* label(QWidget* parent, const char* formName, const QString& text,
              const QString& longest = {}) {
  auto* widget = new QLabel(text, parent);
  widget->setObjectName(formName);
  if (!longest.isEmpty()) {
    widget->setMinimumWidth(widget->fontMetrics().horizontalAdvance(longest) + 2);
  }
  return widget;
}

// A button as wide as the longest of its texts needs, so that the texts it
// takes during a run do not move its neighbours.
template <typename B = QPushButton>
B* button(QWidget* parent, const char* formName, const QString& text,
          std::initializer_list<const char*> otherTexts = {}) {
  auto* widget = make<B>(parent, formName, kContextFields);
  widget->setText(text);
  QFontMetrics metrics = widget->fontMetrics();
  int width = metrics.horizontalAdvance(QString(text).remove('&'));
  for (const char* other : otherTexts) {
    width = std::max(width, metrics.horizontalAdvance(QString(other).remove('&')));
  }
  widget->setFixedWidth(width + 2 * metrics.averageCharWidth() + 12);
  return widget;
}

QPlainTextEdit* makeMemo(QWidget* page, const char* formName) {
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
  return memo;
}

QComboBox* makeList(QWidget* parent, const char* formName) {
  auto* list = make<QComboBox>(parent, formName, kContextHostLists);
  list->setEditable(false);
  list->setMinimumContentsLength(11);  // room for a dotted address
  list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  return list;
}

// The page: the control grid on top, the output area filling the rest.
QGridLayout* pageLayout(QWidget* page, QPlainTextEdit* memo) {
  auto* outer = new QVBoxLayout(page);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  auto* grid = new QGridLayout;
  grid->setContentsMargins(4, 10, 4, 8);
  grid->setHorizontalSpacing(3);
  grid->setVerticalSpacing(3);
  grid->setColumnStretch(kSpacer1, 1);
  grid->setColumnStretch(kSpacer2, 1);
  grid->setColumnMinimumWidth(kSpacer1, 4);
  grid->setColumnMinimumWidth(kSpacer2, 4);
  outer->addLayout(grid);
  outer->addWidget(memo, 1);
  return grid;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, int spacing) {
  auto* layout = new QHBoxLayout;
  layout->setSpacing(spacing);
  for (QWidget* widget : widgets) layout->addWidget(widget);
  layout->addStretch(1);
  return layout;
}

void chainTabOrder(std::initializer_list<QWidget*> order) {
  const QWidget* previous = nullptr;
  for (QWidget* widget : order) {
    if (previous != nullptr) QWidget::setTabOrder(const_cast<QWidget*>(previous), widget);
    previous = widget;
  }
}

constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;

}  // namespace

PingTab::PingTab(QWidget* tabParent) {
  page = new QWidget(tabParent);
  QWidget* p = page;
  hostLabel = label(p, "Label1", "First IP:", "First IP:");
  hostCombo = make<QComboBox>(p, "ComboBox4", kContextFields);
  hostCombo->setEditable(true);
  hostCombo->setInsertPolicy(QComboBox::NoInsert);  // the history is kept by the window
  hostCombo->setMaxVisibleItems(20);
  const char* firstNames[] = {"Edit1", "Edit6", "Edit7", "Edit8"};
  const char* lastNames[] = {"Edit9", "Edit10", "Edit11", "Edit12"};
  for (int i = 0; i < 4; ++i) {
    first[i] = field<OctetEdit>(p, firstNames[i], 3);
    last[i] = field<OctetEdit>(p, lastNames[i], 3);
  }
  // The host field takes the place of the first address's four octets.
  hostCombo->setFixedWidth(hostWidth(first[0]));
  last[0]->setEnabled(false);
  last[1]->setEnabled(false);
  lastLabel = label(p, "Label9", "Last IP:");
  rangeBox = make<QCheckBox>(p, "CheckBox1", kContextFields);
  rangeBox->setText("Enable range pinging");

  countEdit = field<QLineEdit>(p, "Edit2", 6);
  countEdit->setToolTip("If Range Pinging is enabled, Count cannot be 0.");
  countLabel = label(p, "Label2", "Count (0=endless):", "Count (0=endless):");
  countLabel->setToolTip(countEdit->toolTip());
  waitEdit = field<QLineEdit>(p, "Edit3", 6);
  QLabel* waitLabel = label(p, "Label3", "Wait for reply [ms]:");
  delayEdit = field<QLineEdit>(p, "Edit4", 6);
  QLabel* delayLabel = label(p, "Label4", "Delay requests [ms]:");
  bytesEdit = field<QLineEdit>(p, "Edit5", 6);
  QLabel* bytesLabel = label(p, "Label5", "Data Bytes:");

  startButton = button<StartButton>(p, "Button1", "&Ping", {"&Break", "Wait..."});
  clearButton = button(p, "Button4", "&Clear");
  exitButton = button(p, "Button2", "E&xit");

  QLabel* reachedLabel = label(p, "Label13", "Reached hosts:");
  reachedList = makeList(p, "ComboBox1");
  QLabel* progsLabel = label(p, "Label6", "Connect progs:");
  progsList = make<QComboBox>(p, "ComboBox5", kContextProgs);
  progsList->setEditable(false);
  progsList->setMinimumContentsLength(11);
  progsList->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  progsList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  goButton = button(p, "GoButton", "&Go");
  goButton->setProperty(kHelpContextProperty, kContextProgs);
  memo = makeMemo(page, "Memo1");

  QGridLayout* grid = pageLayout(page, memo);
  grid->addWidget(hostLabel, 0, kLeftLabel, kRight);
  grid->addLayout(row({hostCombo, first[0], first[1], first[2], first[3]}, kOctetSpacing), 0,
                  kLeftField);
  grid->addWidget(lastLabel, 1, kLeftLabel, kRight);
  grid->addLayout(row({last[0], last[1], last[2], last[3]}, kOctetSpacing), 1, kLeftField);
  // The buttons may reach under the middle labels; "Connect progs:" sits
  // beside the box.
  grid->addWidget(rangeBox, 2, kLeftField, 1, 2, kLeft);
  grid->addLayout(row({startButton, clearButton, exitButton}, 6), 3, kLeftField, 2, 4,
                  Qt::AlignBottom);
  grid->addWidget(progsLabel, 2, kMidLabel, kRight);
  grid->addLayout(row({progsList, goButton}, 3), 2, kMidField, 1, 4);
  grid->addWidget(countLabel, 0, kMidLabel, kRight);
  grid->addWidget(countEdit, 0, kMidField, kLeft);
  grid->addWidget(waitLabel, 1, kMidLabel, kRight);
  grid->addWidget(waitEdit, 1, kMidField, kLeft);
  grid->addWidget(delayLabel, 0, kRightLabel, kRight);
  grid->addWidget(delayEdit, 0, kRightField, kLeft);
  grid->addWidget(bytesLabel, 1, kRightLabel, kRight);
  grid->addWidget(bytesEdit, 1, kRightField, kLeft);
  grid->addWidget(reachedLabel, 3, kRightLabel, 1, 2, Qt::AlignLeft | Qt::AlignBottom);
  grid->addWidget(reachedList, 4, kRightLabel, 1, 2);

  // Tab order: the fields as they are read, then the buttons.
  chainTabOrder({hostCombo, first[0], first[1], first[2], first[3], last[2], last[3], rangeBox,
                 countEdit, waitEdit, delayEdit, bytesEdit, startButton, clearButton, exitButton,
                 reachedList, progsList, goButton});
}

TraceTab::TraceTab(QWidget* tabParent) {
  page = new QWidget(tabParent);
  QWidget* p = page;
  hostEdit = make<QLineEdit>(p, "Edit13", kContextFields);
  QLabel* hostLabel = label(p, "Label14", "Host:");
  resolveBox = make<QCheckBox>(p, "CheckBox2", kContextFields);
  resolveBox->setText("Resolve addresses");
  maxHopsEdit = field<QLineEdit>(p, "Edit15", 6);
  QLabel* hopsLabel = label(p, "Label18", "Max hops:");
  waitEdit = field<QLineEdit>(p, "Edit14", 6);
  QLabel* waitLabel = label(p, "Label17", "Wait for reply [ms]:");
  notReachedList = makeList(p, "ComboBox3");
  QLabel* notReachedLabel = label(p, "Label16", "Hosts NOT reached by Ping:");
  reachedList = makeList(p, "ComboBox2");
  QLabel* reachedLabel = label(p, "Label15", "Hosts reached by Ping:");

  startButton = button(p, "Button3", "&Traceroute", {"&Break", "Wait..."});
  clearButton = button(p, "Button5", "&Clear");
  exitButton = button(p, "Button6", "E&xit");
  memo = makeMemo(page, "Memo2");

  hostEdit->setMinimumWidth(hostWidth(hostEdit));
  QGridLayout* grid = pageLayout(page, memo);
  grid->addWidget(hostLabel, 0, kLeftLabel, kRight);
  grid->addWidget(hostEdit, 0, kLeftField);
  grid->addWidget(resolveBox, 1, kLeftField, 2, 1, Qt::AlignLeft | Qt::AlignTop);
  grid->addLayout(row({startButton, clearButton, exitButton}, 6), 3, kLeftField, 1, 2,
                  Qt::AlignBottom);
  grid->addWidget(hopsLabel, 0, kMidLabel, kRight);
  grid->addWidget(maxHopsEdit, 0, kMidField, kLeft);
  grid->addWidget(waitLabel, 1, kMidLabel, kRight);
  grid->addWidget(waitEdit, 1, kMidField, kLeft);
  grid->addWidget(notReachedLabel, 2, kMidLabel, 1, 4, kRight);
  grid->addWidget(notReachedList, 2, kRightField);
  grid->addWidget(reachedLabel, 3, kMidLabel, 1, 4, kRight);
  grid->addWidget(reachedList, 3, kRightField);

  chainTabOrder({hostEdit, resolveBox, maxHopsEdit, waitEdit, startButton, clearButton, exitButton,
                 notReachedList, reachedList});
}

}  // namespace tarvo::ui
