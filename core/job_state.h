#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "codecs/decoder_api.h"
#include "codecs/lame_enc_api.h"
#include "core/settings_record.h"
#include "platform/file.h"
#include "platform/host.h"

namespace sonaflux {

/// Where the output of a job goes and what it is called.
struct ApplicationPaths {
  std::string programFolder;  // ends in the separator
  std::string desktopFolder;  // ends in the separator
  /// The user's writable files: settings, job lock, preview page, own
  /// controllers. Ends in the separator; empty means the program folder.
  std::string settingsFolder;

  const std::string& writableFolder() const { return settingsFolder.empty() ? programFolder : settingsFolder; }
};

/// Chosen before a job; the job only reads them.
struct JobInputs {
  std::string inputPath;
  bool inputIsWav = false;
  std::string inputTitle;
  bool inputCheckFailed = false;
  /// A folder chosen for this job only (the command line's --output-folder);
  /// empty: the settings decide.
  std::string outputFolderOverride;
  /// A page setting for this job only (the command line's --page); empty:
  /// the settings decide.
  std::optional<PageFor> pageForOverride;
};

/// One output file of a job. Where an earlier file has the name, the job
/// writes under a temporary name and renames over it once the set is done.
struct OutputClaim {
  /// Made by this job under its lock: only such a file may its clean-up remove.
  bool claimed = false;
  /// The file as made, to tell it from one put at its name meanwhile.
  std::optional<FileIdentity> identity;
  /// The earlier file, held against other programs until it is replaced.
  File replaced;
};

/// The files of a job that it made or emptied itself, under its lock: only
/// these may its clean-up remove.
struct JobFileClaims {
  bool tmp1 = false;
  bool tmp2 = false;
  bool tmp3 = false;
  OutputClaim streamOut;
  OutputClaim controllerOut;
  OutputClaim htmlPage;
  OutputClaim mp3Out;
};

/// Everything one conversion job shares between its stages. Positions are
/// 1-based: position P is the next byte, at offset P - 1.
struct JobState {
  bool jobFailed = false;
  bool jobCancelled = false;
  bool jobStarted = false;
  /// Set from the start of a job until it has cleaned up.
  bool jobRunning = false;

  std::string outputFolder;
  std::string outputBaseName;

  File inputHandle;
  File tmp1Handle;
  File tmp2Handle;
  File tmp3Handle;
  File streamOutHandle;
  File controllerOutHandle;
  File htmlFile;
  /// The stream as a plain MP3 file, for the every-browser page only.
  File mp3OutHandle;
  std::int64_t mp3OutPos = 1;
  /// Set when this job copied the player beside the page.
  bool playerCopied = false;
  JobFileClaims claimed;

  std::int64_t inputSize = 0;
  std::int64_t inputPos = 1;
  std::int64_t tmp1Pos = 1;
  std::int64_t tmp1End = 1;
  std::int64_t tmp2Pos = 1;
  std::int64_t tmp2End = 1;
  std::int64_t tmp3Pos = 1;
  std::int64_t tmp3EndPos = 1;
  std::int64_t streamOutPos = 1;

  std::int32_t sampleRate = 0;
  bool inputStereo = false;
  std::int32_t peakLevel = 1;
  std::int32_t wavBitsPerSample = 0;

  ProgressBar* progressRead = nullptr;
  ProgressBar* progressDecode = nullptr;
  ProgressBar* progressCompress = nullptr;
  ProgressBar* progressWrite = nullptr;

  InitMP3Function pInitMP3 = nullptr;
  DecodeMP3Function pDecodeMP3 = nullptr;
  ExitMP3Function pExitMP3 = nullptr;
  BeInitStreamFunction pBeInitStream = nullptr;
  BeEncodeChunkFunction pBeEncodeChunk = nullptr;
  BeDeinitStreamFunction pBeDeinitStream = nullptr;
  BeCloseStreamFunction pBeCloseStream = nullptr;
  BeVersionFunction pBeVersion = nullptr;
  BeWriteVBRHeaderFunction pBeWriteVBRHeader = nullptr;
};

}  // namespace sonaflux
