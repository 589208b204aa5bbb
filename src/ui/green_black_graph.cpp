#include "ui/green_black_graph.h"

namespace tarvo::ui {

TGreenBlack::TGreenBlack(const MonitorSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
  setMinimumHeight(60);
}

TGreenBlack::~TGreenBlack() = default;

QString TGreenBlack::caption() const { return caption_; }

void TGreenBlack::setCaption(const QString& caption) { caption_ = caption; }

void TGreenBlack::addPoint(const GraphPoint&) { update(); }

}  // namespace tarvo::ui
