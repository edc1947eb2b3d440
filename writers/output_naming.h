#pragma once

#include <string>

#include "core/app_context.h"

namespace sonaflux {

/// Sets outputFolder from the settings; an invalid or missing folder fails the job.
void checkOutputFolder(AppContext& ctx);

/// Sets outputBaseName to "snx" and nextOutputNumber.
void makeOutputBaseName(AppContext& ctx);

/// Asks before any file of the output set is replaced; No fails the job.
void askBeforeOverwriting(AppContext& ctx);

/// Appended to the name of an output file while its replacement is written.
inline constexpr const char* kReplacementSuffix = ".new";

/// Creates the output files and opens them for the writers. Where an earlier
/// file has the name, the new one is written under the name plus ".new" and
/// the earlier one is held, untouched, until completeOutputFiles.
void createOutputFiles(AppContext& ctx);

/// Ends the writing of a finished set: every file must still be at its name
/// as the file this job made, then the new files replace the earlier ones.
/// Otherwise "Error: Cannot write file." fails the job.
void completeOutputFiles(AppContext& ctx);

/// Removes the output files this job made, each only while its name still
/// leads to it; earlier files that were to be replaced stay as they are.
void deleteClaimedOutputs(AppContext& ctx);

/// True when a folder path names a folder the output can go to: absolute,
/// with a directory part and nothing after the last separator.
bool isValidOutputFolderPath(const std::string& folder);

std::string streamAnimationPath(const AppContext& ctx);
std::string controllerAnimationPath(const AppContext& ctx);
std::string htmlPagePath(const AppContext& ctx);
std::string mp3StreamPath(const AppContext& ctx);

/// True when the job writes the stream as an MP3 file too.
bool writesMp3Stream(const AppContext& ctx);

}  // namespace sonaflux
