#include "cli/arguments.h"

#include "core/page_for.h"

namespace sonaflux::cli {

const char* const kUsage =
    "Usage: sonaflux-cli [--title TEXT] [--yes] [--output-folder DIR] [--page KIND] [--open] INPUT\n"
    "       sonaflux-cli --serve FOLDER [PAGE]\n"
    "       sonaflux-cli --help | --version\n"
    "\n"
    "Turns INPUT (.mp3 or .wav) into a web page that streams the sound: snx<N>s.swf,\n"
    "snx<N>.htm and, for controller output, snx<N><letter>.swf.\n"
    "\n"
    "  --title TEXT          the title the page shows (default: from the tags or the file name)\n"
    "  --yes                 overwrite existing output files without asking\n"
    "  --output-folder DIR   write the output set to DIR instead of the configured folder\n"
    "  --page KIND           the page for this run: flash (Flash players), ruffle (and the\n"
    "                        Ruffle player from its public address), ruffle-copy (and the\n"
    "                        player copied beside the page), html5 (every browser: <audio>\n"
    "                        playing snx<N>.mp3)\n"
    "  --open                after the conversion, serve the output set on 127.0.0.1, open\n"
    "                        the page in the browser and serve until Ctrl-C (or Enter)\n"
    "  --serve FOLDER [PAGE] serve an output set already in FOLDER (PAGE, else the set\n"
    "                        written last) the same way, without converting\n"
    "\n"
    "Settings and the output number come from snx.da0 in the settings folder: the\n"
    "program's folder where you can write it, else $XDG_CONFIG_HOME/sonaflux/\n"
    "(~/.config/sonaflux/).\n";

std::optional<Arguments> parseArguments(const std::vector<std::string>& args, std::string& error) {
  Arguments result;
  bool inputSeen = false;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](const char* option) -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        error = std::string("option ") + option + " needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg == "--help") {
      result.showHelp = true;
    } else if (!optionsEnded && arg == "--version") {
      result.showVersion = true;
    } else if (!optionsEnded && arg == "--yes") {
      result.assumeYes = true;
    } else if (!optionsEnded && arg == "--title") {
      std::optional<std::string> title = value("--title");
      if (!title) return std::nullopt;
      result.title = *title;
    } else if (!optionsEnded && arg == "--open") {
      result.openInBrowser = true;
    } else if (!optionsEnded && arg == "--serve") {
      std::optional<std::string> folder = value("--serve");
      if (!folder) return std::nullopt;
      result.serveFolder = *folder;
    } else if (!optionsEnded && arg == "--page") {
      std::optional<std::string> kind = value("--page");
      if (!kind) return std::nullopt;
      result.pageFor = pageForFromName(*kind);
      if (!result.pageFor) {
        error = "option --page takes flash, ruffle, ruffle-copy or html5";
        return std::nullopt;
      }
    } else if (!optionsEnded && arg == "--output-folder") {
      std::optional<std::string> folder = value("--output-folder");
      if (!folder) return std::nullopt;
      if (folder->empty()) {
        error = "option --output-folder needs a folder";
        return std::nullopt;
      }
      result.outputFolder = *folder;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return std::nullopt;
    } else if (inputSeen) {
      error = "only one input file can be converted at a time";
      return std::nullopt;
    } else {
      result.input = arg;
      inputSeen = true;
    }
  }
  if (result.serveFolder && result.openInBrowser) {
    error = "options --serve and --open cannot be used together";
    return std::nullopt;
  }
  if (!inputSeen && !result.showHelp && !result.showVersion && !result.serveFolder) {
    error = "no input file given";
    return std::nullopt;
  }
  return result;
}

}  // namespace sonaflux::cli
