#pragma once

#include <QProgressBar>

#include "platform/host.h"

namespace sonaflux {

/// Lets the job write to a Qt progress bar.
class QtProgressBar : public ProgressBar {
 public:
  explicit QtProgressBar(QProgressBar* bar) : m_bar(bar) {}
  void setRange(int minimum, int maximum) override { m_bar->setRange(minimum, maximum); }
  void setPosition(int position) override { m_bar->setValue(position); }

 private:
  QProgressBar* m_bar;
};

}  // namespace sonaflux
