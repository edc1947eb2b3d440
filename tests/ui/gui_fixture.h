#pragma once

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

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

  std::int32_t numberOnDisk() const { return readOutputNumberOnDisk(program.path()).value_or(-1); }

  TempFolder program, output, inputs;
  GuiHost host;
  AppContext ctx{host};
  std::vector<Shown> messages;
  std::optional<int> exitCode;
};

// While it lives, runs `act` on the modal window in front every 5 ms; `act`
// closes the window once it is done with it.
class ModalAnswerer {
 public:
  explicit ModalAnswerer(std::function<void(QWidget&)> act) {
    QObject::connect(&timer_, &QTimer::timeout, [this, act = std::move(act)] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || busy_) return;
      busy_ = true;
      act(*modal);
      busy_ = false;
    });
    timer_.start(5);
  }

 private:
  QTimer timer_;
  bool busy_ = false;
};

template <class T = QPushButton>
T& child(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(QLatin1String(name));
  if (!found) ADD_FAILURE() << "no child named " << name;
  return *found;
}

inline void click(QWidget& window, const char* name) { QTest::mouseClick(&child(window, name), Qt::LeftButton); }

}  // namespace sonaflux::test
