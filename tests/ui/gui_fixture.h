#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "settings/parameters_file.h"
#include "tests/support/program_copy.h"
#include "tests/support/temp_folder.h"
#include "ui/gui_host.h"

namespace sonaflux::test {

/// A private program folder holding what a job needs, saved settings, and
/// the desktop program's own Host whose messages and end of the program are
/// recorded instead of shown (questions are answered No).
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

}  // namespace sonaflux::test
