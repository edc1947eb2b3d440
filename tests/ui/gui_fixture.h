#pragma once

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "settings/parameters_file.h"
#include "tests/support/program_copy.h"
#include "ui/gui_host.h"

namespace sonaflux::test {

// A private program folder holding what a job needs, saved settings, and the
// desktop program's own Host with its messages and exit recorded (questions
// are answered No).
struct GuiFixture {
  struct Shown {
    std::string text;
    MessageIcon icon;
    QWidget* owner;
  };

  GuiFixture() {
    copyJobFiles(program.path());
    ctx.paths.programFolder = program.path();
    ctx.paths.desktopFolder = output.path();
    ctx.settings = testSettings(output.path());
    ctx.settings.showTipsAtStartup = false;
    EXPECT_TRUE(saveParameters(ctx));
    host.setMessageResponder([this](const std::string& text, MessageIcon icon, MessageButtons buttons) {
      messages.push_back({text, icon, host.owner()});
      return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    });
    host.setTerminateHandler([this](int code) { exitCode = code; });
  }

  TempFolder program, output, inputs;
  GuiHost host;
  AppContext ctx{host};
  std::vector<Shown> messages;
  std::optional<int> exitCode;
};

// While the result lives, runs `act` on the modal window in front every 5 ms;
// `act` closes the window once it is done with it.
inline std::unique_ptr<QTimer> answerModals(std::function<void(QWidget&)> act) {
  auto timer = std::make_unique<QTimer>();
  QObject::connect(timer.get(), &QTimer::timeout, [act = std::move(act), busy = false]() mutable {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || busy) return;
    busy = true;
    act(*modal);
    busy = false;
  });
  timer->start(5);
  return timer;
}

template <class T = QPushButton>
T& child(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(QLatin1String(name));
  if (!found) ADD_FAILURE() << "no child named " << name;
  return *found;
}

inline void click(QWidget& window, const char* name) { QTest::mouseClick(&child(window, name), Qt::LeftButton); }

}  // namespace sonaflux::test
