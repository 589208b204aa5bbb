#include "ui/about_box.h"

#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/tab_pages.h"

namespace tarvo::ui {

namespace {
constexpr int kContextAbout = 210;

QLabel* blueBold(const QString& text, const char* name) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  label->setStyleSheet("color: blue; font-weight: bold;");
  label->setAlignment(Qt::AlignCenter);
  return label;
}
}  // namespace

QString aboutVersionText() { return QStringLiteral("Version " TARVO_VERSION); }

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm2");
  setWindowTitle("Info about...");
  setProperty(kHelpContextProperty, kContextAbout);

  auto* panel = new QFrame;
  panel->setObjectName("Panel1");
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Raised);
  panel->setMinimumSize(357, 193);

  auto* address =
      new QLabel(QStringLiteral("<a href=\"%1\" style=\"color: blue;\">%1</a>").arg(kAboutAddress));
  address->setObjectName("Edit1");
  address->setTextFormat(Qt::RichText);
  address->setCursor(Qt::PointingHandCursor);
  connect(address, &QLabel::linkActivated, this, [this] { openAddress(); });

  auto* title = new QLabel(QStringLiteral("<span style=\"color: blue;\">%1 </span>"
                                          "<span style=\"color: red;\">%2</span>"
                                          "<span style=\"color: blue;\"> %3</span>")
                               .arg(kAboutTitleBefore, kAboutProduct, kAboutTitleAfter));
  title->setObjectName("Label1");
  title->setTextFormat(Qt::RichText);
  title->setAlignment(Qt::AlignCenter);
  title->setStyleSheet("font-size: 24px;");

  auto* inner = new QVBoxLayout(panel);
  inner->addWidget(address, 0, Qt::AlignLeft | Qt::AlignTop);
  inner->addStretch();
  inner->addWidget(title);
  inner->addWidget(blueBold(aboutVersionText(), "Label2"));
  inner->addWidget(blueBold(kAboutMaker, "Label3"));
  inner->addStretch();

  auto* ok = new QPushButton("&OK");
  ok->setObjectName("Button1");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addStretch();
  layout->addLayout(buttons);
  setFixedSize(sizeHint());
}

void AboutBox::openAddress() { QDesktopServices::openUrl(QUrl(kAboutAddress)); }

}  // namespace tarvo::ui
