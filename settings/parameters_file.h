#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/app_context.h"
#include "core/settings_record.h"

namespace sonaflux {

inline constexpr const char* kParametersFileName = "snx.da0";
inline constexpr int kParametersLineCount = 13;
/// Appended to the file's name for the copy that is written and then renamed.
inline constexpr const char* kParametersTemporarySuffix = ".new";

/// Longer lines make the file damaged.
inline constexpr std::size_t kMaxParametersLineLength = 64 * 1024;

/// Reads the settings record from the settings folder's "snx.da0". A missing
/// file, or a damaged one (short, with an over-long line, or no regular
/// file), shows its message (stop icon) and terminates with code 1.
void readParameters(AppContext& ctx);

/// Rewrites the parameters file whole. False when it could not be written;
/// the previous file is then left intact and nothing is shown.
[[nodiscard]] bool saveParameters(AppContext& ctx);

/// Sets the output number in memory and on disk. The file is read afresh and
/// only its number changed, so settings another program saved meanwhile
/// stay; when it cannot be read the record in memory is written. False when
/// it could not be written (nothing is shown).
[[nodiscard]] bool saveOutputNumber(AppContext& ctx, std::int32_t number);

/// Takes a job's output number back: the file gets `previous` again only
/// while it still holds `written`, the number the job saved. A number changed
/// meanwhile stays, in the file and in memory. False when the file could not
/// be written (nothing is shown).
[[nodiscard]] bool takeBackOutputNumber(AppContext& ctx, std::int32_t written, std::int32_t previous);

/// A message about the parameters file as it stands, or, when the file is
/// not in the program folder, with its path in quotes before the full stop.
std::string parametersFileMessage(const AppContext& ctx, std::string_view message);

/// Shows "Error: Cannot write to parameters file." (stop icon) and ends the
/// program with code 1.
void reportParametersWriteFailure(AppContext& ctx);

/// Saves, and ends the program as above when that fails.
void saveParametersOrEnd(AppContext& ctx);

/// The thirteen classic lines and the page setting after them, each ending
/// in CR LF.
std::string encodeParameters(const SettingsRecord& settings);

/// Decodes the file's text; nothing when it holds fewer than thirteen lines
/// or one of the fourteen it reads is longer than kMaxParametersLineLength.
/// A missing or unknown fourteenth line gives the classic page.
std::optional<SettingsRecord> decodeParameters(std::string_view text);

/// Reads only the output number from the file on disk; nothing when the file
/// cannot be read.
std::optional<std::int32_t> readOutputNumberOnDisk(const std::string& settingsFolder);

}  // namespace sonaflux
