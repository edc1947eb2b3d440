#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/app_context.h"
#include "engine/settings_record.h"

namespace sonaflux {

inline constexpr const char* kParametersFileName = "snx.da0";
inline constexpr int kParametersLineCount = 13;

/// Reads the settings record from programFolder + "snx.da0". A missing or
/// short file shows its message (stop icon) and terminates with code 1.
void readParameters(AppContext& ctx);

/// Rewrites the parameters file whole; any failure shows its message (stop
/// icon), terminates with code 1 and leaves the previous file intact.
void saveParameters(AppContext& ctx);

/// The thirteen lines, each ending in CR LF.
std::string encodeParameters(const SettingsRecord& settings);

/// Decodes the file's text; nothing when it holds fewer than thirteen lines.
std::optional<SettingsRecord> decodeParameters(std::string_view text);

/// Reads only the output number from the file on disk; nothing when the file
/// cannot be read.
std::optional<std::int32_t> readOutputNumberOnDisk(const std::string& programFolder);

}  // namespace sonaflux
