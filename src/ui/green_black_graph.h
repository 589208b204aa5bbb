#pragma once

#include <QString>
#include <QWidget>

#include "watch/monitor_settings.h"
#include "watch/watch_log.h"

namespace tarvo::ui {

// One monitored host's strip chart: green-on-black columns scrolling left
// with every result, the host's caption on top.
class TGreenBlack : public QWidget {
  Q_OBJECT

 public:
  // The run's settings give the full scale (the reply wait) and the pen.
  explicit TGreenBlack(const MonitorSettings& settings, QWidget* parent = nullptr);
  ~TGreenBlack() override;

  QString caption() const;
  void setCaption(const QString& caption);
  // One result, newest at the right edge.
  void addPoint(const GraphPoint& point);

 private:
  MonitorSettings settings_;
  QString caption_;
};

}  // namespace tarvo::ui
