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

/// Creates the output files and opens them for the writers.
void createOutputFiles(AppContext& ctx);

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
