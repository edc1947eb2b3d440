#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "audio/input_check.h"
#include "cli/arguments.h"
#include "cli/console_host.h"
#include "cli/open_in_browser.h"
#include "core/app_context.h"
#include "core/version.h"
#include "engine/create_command.h"
#include "platform/app_paths.h"
#include "platform/file.h"
#include "settings/parameters_file.h"
#include "settings/settings_folder.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// A cancelled run ends like a shell's killed command: 128 and the signal.
constexpr int kExitSignalBase = 128;

int cancelledExitCode() {
  int signal = sonaflux::cli::stopSignal();
  return kExitSignalBase + (signal != 0 ? signal : SIGINT);
}

int endFailed() {
  std::cerr << "Failed\n";
  return kExitFailure;
}

int endCancelled() {
  std::cerr << "Cancelled\n";
  return cancelledExitCode();
}

// The missing output folder is the usual first failure on a machine without
// a desktop: say which folder it was and how to choose another.
void explainOutputFolder(const sonaflux::JobReport& report) {
  const std::string& folder = report.outputFolder;
  if (folder.empty() || sonaflux::isDirectory(folder)) return;
  std::cerr << "The output folder \"" << folder << "\" does not exist; --output-folder DIR chooses another.\n";
}

std::string absolutePath(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

void printResult(const sonaflux::JobReport& report) {
  std::cout << "Finished Successfully!\n";
  for (const sonaflux::CreatedFile& file : report.createdFiles) std::cout << resultLine(file) << "\n";
  std::cout << "in " << report.outputFolder << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  using namespace sonaflux;
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  std::optional<cli::Arguments> parsed = cli::parseArguments(args, error);
  if (!parsed) {
    std::cerr << "sonaflux-cli: " << error << "\nTry 'sonaflux-cli --help'.\n";
    return kExitUsage;
  }
  if (parsed->showHelp) {
    std::cout << cli::kUsage;
    return kExitSuccess;
  }
  if (parsed->showVersion) {
    std::cout << "sonaflux-cli " << kProgramVersion << "\n"
              << "Free software under the GNU General Public License, version 3 or any later version.\n";
    return kExitSuccess;
  }

  cli::installStopSignalHandlers();
  if (parsed->serveFolder)
    return cli::serveExistingSet(executableFolder(), absolutePath(*parsed->serveFolder), parsed->input) ? kExitSuccess
                                                                                                        : kExitFailure;
  cli::ConsoleHost host(parsed->assumeYes);
  AppContext ctx(host);
  ctx.paths.programFolder = executableFolder();
  ctx.paths.desktopFolder = userDesktopFolder();
  setUpSettingsFolder(ctx);
  readParameters(ctx);

  ctx.inputs.inputPath = absolutePath(parsed->input);
  ctx.inputs.inputCheckFailed = false;
  runInputFileCheck(ctx);
  if (ctx.inputs.inputCheckFailed || cli::interruptRequested()) {
    const JobOutcome stopped = ctx.inputs.inputCheckFailed ? JobOutcome::Failed : JobOutcome::Cancelled;
    host.finishJob(stopped);
    return stopped == JobOutcome::Failed ? endFailed() : endCancelled();
  }
  if (parsed->title) ctx.inputs.inputTitle = *parsed->title;
  if (!parsed->outputFolder.empty()) {
    std::string folder = absolutePath(parsed->outputFolder);
    if (folder.back() != kPathSeparator) folder += kPathSeparator;
    ctx.inputs.outputFolderOverride = folder;
  }
  ctx.inputs.pageForOverride = parsed->pageFor;

  host.attach(ctx);
  JobReport report = runCreateCommand(ctx, host.bars());
  host.finishJob(report.outcome);

  switch (report.outcome) {
    case JobOutcome::Cancelled: return endCancelled();
    case JobOutcome::Failed: explainOutputFolder(report); return endFailed();
    case JobOutcome::Finished: break;
  }
  printResult(report);
  if (parsed->openInBrowser && !cli::serveInBrowser(ctx.paths.programFolder, report)) return kExitFailure;
  return kExitSuccess;
}
