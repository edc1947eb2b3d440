#include "settings/parameters_file.h"

#include <cstdlib>
#include <cstdio>
#include <vector>

#include "core/leading_integer.h"
#include "core/page_for.h"
#include "core/settings_rules.h"
#include "platform/file.h"

namespace sonaflux {

namespace {

std::string parametersPath(const AppContext& ctx) {
  return ctx.paths.writableFolder() + kParametersFileName;
}

std::string flagLine(bool flag) { return flag ? "y" : "n"; }

bool decodeFlag(const std::string& line) { return line == "y"; }

// Splits text into lines, accepting CR LF and LF; a last line without a line
// end still counts.
std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::size_t stop = end == std::string_view::npos ? text.size() : end;
    std::string line(text.substr(start, stop - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return lines;
}

std::optional<std::string> readWholeFile(const std::string& path) {
  File file;
  if (!file.openExisting(path, FileAccess::Read, false)) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (;;) {
    std::int64_t n = file.read(buffer, sizeof buffer);
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text;
}

}  // namespace

std::string encodeParameters(const SettingsRecord& s) {
  char tip[16];
  std::snprintf(tip, sizeof tip, "%02d", s.nextTipNumber);
  const std::string lines[kParametersLineCount] = {
      flagLine(s.toDesktop),         s.outputFolderPath,
      std::to_string(s.outputMode),  s.controllerName,
      s.instruction,                 tip,
      flagLine(s.showTipsAtStartup), s.backgroundColour,
      s.textColour,                  std::to_string(s.nextOutputNumber),
      flagLine(s.buttonSounds),      flagLine(s.backgroundPicture),
      flagLine(s.roundCorners)};
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  text += std::to_string(static_cast<std::int32_t>(s.pageFor)) + "\r\n";
  return text;
}

std::optional<SettingsRecord> decodeParameters(std::string_view text) {
  std::vector<std::string> lines = splitLines(text);
  if (lines.size() < static_cast<std::size_t>(kParametersLineCount)) return std::nullopt;
  SettingsRecord s;
  s.toDesktop = decodeFlag(lines[0]);
  s.outputFolderPath = lines[1];
  s.outputMode = leadingInteger(lines[2]);
  s.controllerName = lines[3];
  // The letter ends up in a file name: only what the Options window allows.
  s.instruction = normalisedInstruction(lines[4]);
  s.nextTipNumber = leadingInteger(lines[5]);
  s.showTipsAtStartup = decodeFlag(lines[6]);
  s.backgroundColour = lines[7];
  s.textColour = lines[8];
  s.nextOutputNumber = leadingInteger(lines[9]);
  s.buttonSounds = decodeFlag(lines[10]);
  s.backgroundPicture = decodeFlag(lines[11]);
  s.roundCorners = decodeFlag(lines[12]);
  if (lines.size() > static_cast<std::size_t>(kParametersLineCount))
    s.pageFor = pageForFromNumber(leadingInteger(lines[kParametersLineCount]));
  return s;
}

void readParameters(AppContext& ctx) {
  std::optional<std::string> text = readWholeFile(parametersPath(ctx));
  if (!text) {
    ctx.host.showMessage(parametersFileMessage(ctx, "Error: Missing parameters file"), MessageIcon::Stop);
    ctx.host.terminate(1);
    return;
  }
  std::optional<SettingsRecord> settings = decodeParameters(*text);
  if (!settings) {
    ctx.host.showMessage(parametersFileMessage(ctx, "Error: Corrupt parameters file"), MessageIcon::Stop);
    ctx.host.terminate(1);
    return;
  }
  ctx.settings = *settings;
}

namespace {

// Written beside the file and renamed over it, so that a failure halfway
// never leaves a truncated file behind.
bool writeParametersFile(const std::string& path, const SettingsRecord& settings) {
  const std::string temporary = path + kParametersTemporarySuffix;
  const std::string text = encodeParameters(settings);
  File file;
  // Held locked while written, so that no clean-up takes it for a leftover.
  bool createdNew = false;
  bool ok = file.createExclusive(temporary, createdNew);
  if (ok) ok = file.write(text.data(), text.size()) == static_cast<std::int64_t>(text.size());
  if (ok) ok = file.sync();
  if (file.isOpen()) ok = file.close() && ok;
  if (ok) ok = renameFile(temporary, path);
  if (!ok) deleteFile(temporary);
  return ok;
}

}  // namespace

bool saveParameters(AppContext& ctx) { return writeParametersFile(parametersPath(ctx), ctx.settings); }

bool saveOutputNumber(AppContext& ctx, std::int32_t number) {
  const std::string path = parametersPath(ctx);
  SettingsRecord record = ctx.settings;
  // Whatever another program saved meanwhile stays; only the number is ours.
  if (std::optional<std::string> text = readWholeFile(path))
    if (std::optional<SettingsRecord> onDisk = decodeParameters(*text)) record = *onDisk;
  record.nextOutputNumber = number;
  ctx.settings.nextOutputNumber = number;
  return writeParametersFile(path, record);
}

std::string parametersFileMessage(const AppContext& ctx, const std::string& sentence) {
  // Beside the program the file needs no introduction; elsewhere say where.
  if (ctx.paths.writableFolder() == ctx.paths.programFolder) return sentence + ".";
  return sentence + " \"" + parametersPath(ctx) + "\".";
}

void reportParametersWriteFailure(AppContext& ctx) {
  ctx.host.showMessage(parametersFileMessage(ctx, "Error: Cannot write to parameters file"),
                       MessageIcon::Stop);
  ctx.host.terminate(1);
}

void saveParametersOrEnd(AppContext& ctx) {
  if (!saveParameters(ctx)) reportParametersWriteFailure(ctx);
}

std::optional<std::int32_t> readOutputNumberOnDisk(const std::string& settingsFolder) {
  std::optional<std::string> text = readWholeFile(settingsFolder + kParametersFileName);
  if (!text) return std::nullopt;
  std::optional<SettingsRecord> settings = decodeParameters(*text);
  if (!settings) return std::nullopt;
  return settings->nextOutputNumber;
}

}  // namespace sonaflux
