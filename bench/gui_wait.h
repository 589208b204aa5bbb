#pragma once

// The screenshot tools' one wait: runs the window's events until `done`
// holds or ms have passed.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

inline void waitFor(
    int ms, const std::function<bool()>& done = [] { return false; }) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
}
