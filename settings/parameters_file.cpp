#include "settings/parameters_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/leading_integer.h"
#include "core/messages.h"
#include "core/page_for.h"
#include "core/setting_text.h"
#include "platform/file.h"

namespace sonaflux {

namespace {

std::string parametersPath(const AppContext& ctx) { return ctx.paths.writableFolder() + kParametersFileName; }

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

// The lines read: the thirteen settings and the page setting.
constexpr std::size_t kLinesRead = kParametersLineCount + 1;

enum class FileText { Missing, Damaged, Read };

// Reads no further than the lines used can reach: a longer file has an
// over-long line among them, or more lines than are read.
FileText readParametersText(const std::string& path, std::string& text) {
  File file;
  if (!file.openExisting(path, FileAccess::Read, false)) return FileText::Missing;
  // A device would never end.
  if (!file.isRegular()) return FileText::Damaged;
  constexpr std::size_t kLimit = kLinesRead * (kMaxParametersLineLength + 2) + 1;
  text.clear();
  char buffer[4096];
  while (text.size() < kLimit) {
    std::int64_t n = file.read(buffer, std::min(sizeof buffer, kLimit - text.size()));
    if (n < 0) return FileText::Missing;
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return FileText::Read;
}

std::optional<SettingsRecord> readParametersFile(const std::string& path) {
  std::string text;
  if (readParametersText(path, text) != FileText::Read) return std::nullopt;
  return decodeParameters(text);
}

}  // namespace

std::string encodeParameters(const SettingsRecord& s) {
  char tip[16];
  std::snprintf(tip, sizeof tip, "%02d", s.nextTipNumber);
  const std::string lines[kParametersLineCount] = {flagLine(s.toDesktop),
                                                   s.outputFolderPath,
                                                   std::to_string(s.outputMode),
                                                   s.controllerName,
                                                   s.instruction,
                                                   tip,
                                                   flagLine(s.showTipsAtStartup),
                                                   s.backgroundColour,
                                                   s.textColour,
                                                   std::to_string(s.nextOutputNumber),
                                                   flagLine(s.buttonSounds),
                                                   flagLine(s.backgroundPicture),
                                                   flagLine(s.roundCorners)};
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  text += std::to_string(static_cast<std::int32_t>(s.pageFor)) + "\r\n";
  return text;
}

std::optional<SettingsRecord> decodeParameters(std::string_view text) {
  std::vector<std::string> lines = splitLines(text);
  if (lines.size() < static_cast<std::size_t>(kParametersLineCount)) return std::nullopt;
  for (std::size_t i = 0; i < lines.size() && i < kLinesRead; ++i)
    if (lines[i].size() > kMaxParametersLineLength) return std::nullopt;
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
  std::string text;
  FileText read = readParametersText(parametersPath(ctx), text);
  if (read == FileText::Missing) {
    ctx.host.showMessage(parametersFileMessage(ctx, kMsgMissingParameters), MessageIcon::Stop);
    ctx.host.terminate(1);
    return;
  }
  std::optional<SettingsRecord> settings;
  if (read == FileText::Read) settings = decodeParameters(text);
  if (!settings) {
    ctx.host.showMessage(parametersFileMessage(ctx, kMsgCorruptParameters), MessageIcon::Stop);
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
  // What stands at the name and cannot be taken (a link, another save's
  // file) is not this save's to delete.
  bool createdNew = false;
  if (!file.createExclusive(temporary, createdNew)) return false;
  bool ok = file.write(text.data(), text.size()) == static_cast<std::int64_t>(text.size());
  ok = ok && file.sync();
  ok = file.close() && ok;
  ok = ok && renameFile(temporary, path);
  if (!ok) deleteFile(temporary);
  return ok;
}

}  // namespace

bool saveParameters(AppContext& ctx) { return writeParametersFile(parametersPath(ctx), ctx.settings); }

bool saveOutputNumber(AppContext& ctx, std::int32_t number) {
  const std::string path = parametersPath(ctx);
  // Whatever another program saved meanwhile stays; only the number is ours.
  SettingsRecord record = readParametersFile(path).value_or(ctx.settings);
  record.nextOutputNumber = number;
  ctx.settings.nextOutputNumber = number;
  return writeParametersFile(path, record);
}

bool takeBackOutputNumber(AppContext& ctx, std::int32_t written, std::int32_t previous) {
  std::optional<SettingsRecord> onDisk = readParametersFile(parametersPath(ctx));
  if (onDisk && onDisk->nextOutputNumber != written) {
    ctx.settings.nextOutputNumber = onDisk->nextOutputNumber;
    return true;
  }
  return saveOutputNumber(ctx, previous);
}

std::string parametersFileMessage(const AppContext& ctx, std::string_view message) {
  // Beside the program the file needs no introduction; elsewhere say where.
  if (ctx.paths.writableFolder() == ctx.paths.programFolder) return std::string(message);
  if (message.ends_with('.')) message.remove_suffix(1);
  return std::string(message) + " \"" + parametersPath(ctx) + "\".";
}

void reportParametersWriteFailure(AppContext& ctx) {
  ctx.host.showMessage(parametersFileMessage(ctx, kMsgCannotWriteParameters), MessageIcon::Stop);
  ctx.host.terminate(1);
}

void saveParametersOrEnd(AppContext& ctx) {
  if (!saveParameters(ctx)) reportParametersWriteFailure(ctx);
}

std::optional<std::int32_t> readOutputNumberOnDisk(const std::string& settingsFolder) {
  std::optional<SettingsRecord> settings = readParametersFile(settingsFolder + kParametersFileName);
  if (!settings) return std::nullopt;
  return settings->nextOutputNumber;
}

}  // namespace sonaflux
