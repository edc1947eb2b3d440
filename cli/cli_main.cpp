#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "audio/input_check.h"
#include "cli/arguments.h"
#include "cli/console_host.h"
#include "engine/app_context.h"
#include "engine/conversion_driver.h"
#include "platform/app_paths.h"
#include "settings/parameters_file.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 130;

std::string absolutePath(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

void printResult(const sonaflux::AppContext& ctx) {
  const std::string& base = ctx.job.outputBaseName;
  std::cout << "Finished Successfully!\n";
  std::cout << "Created web page \"" << base << ".htm\"\n";
  std::cout << "Created Flash streaming animation \"" << base << "s.swf\"\n";
  if (ctx.settings.outputMode == sonaflux::kOutputModeController)
    std::cout << "Created Flash controller animation \"" << base << ctx.settings.instruction << ".swf\"\n";
  std::cout << "in " << ctx.job.outputFolder << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  using namespace sonaflux;
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  std::optional<cli::Arguments> parsed = cli::parseArguments(args, error);
  if (!parsed) {
    std::cerr << "sonaflux-cli: " << error << "\n\n" << cli::kUsage;
    return kExitUsage;
  }
  if (parsed->showHelp) {
    std::cout << cli::kUsage;
    return kExitSuccess;
  }
  if (parsed->showVersion) {
    std::cout << "sonaflux-cli " << ApplicationPaths{}.programVersion << "\n";
    return kExitSuccess;
  }

  cli::installInterruptHandler();
  cli::ConsoleHost host(parsed->assumeYes);
  AppContext ctx(host);
  ctx.paths.programFolder = executableFolder();
  ctx.paths.desktopFolder = userDesktopFolder();
  readParameters(ctx);

  ctx.inputs.inputPath = absolutePath(parsed->input);
  ctx.inputs.inputCheckFailed = false;
  runInputFileCheck(ctx);
  if (ctx.inputs.inputCheckFailed) return kExitFailure;
  if (parsed->title) ctx.inputs.inputTitle = *parsed->title;
  if (!parsed->outputFolder.empty()) {
    std::string folder = absolutePath(parsed->outputFolder);
    if (folder.back() != kPathSeparator) folder += kPathSeparator;
    ctx.inputs.outputFolderOverride = folder;
  }

  host.attach(ctx.job);
  ctx.job.jobFailed = false;
  ctx.job.jobCancelled = false;
  ctx.job.jobStarted = true;
  runConversionJob(ctx);
  host.finishProgress();

  if (ctx.job.jobFailed && ctx.job.jobCancelled) {
    std::cerr << "Cancelled\n";
    return kExitCancelled;
  }
  if (ctx.job.jobFailed) {
    std::cerr << "Failed\n";
    return kExitFailure;
  }
  printResult(ctx);
  return kExitSuccess;
}
