#pragma once

#include <string>
#include <string_view>

namespace sonaflux {

// Every message the program shows, in one place, so that the help page's
// list of them can be held against it. "<path>" or "<name>" marks where the
// shown text holds the file or controller it is about.

inline constexpr char kMsgSelectInputFirst[] = "Error: Please select an input MP3 or WAV file first.";
inline constexpr char kMsgWildCardStar[] = "Error: Wild card \"*\" not allowed in file name \"<path>\".";
inline constexpr char kMsgWildCardQuestion[] = "Error: Wild card \"?\" not allowed in file name \"<path>\".";
inline constexpr char kMsgInputNameNotMp3OrWav[] =
    "Error: Input file name \"<path>\" must end in \".mp3\" or \".wav\".";
inline constexpr char kMsgInputNotFound[] = "Error: Input file not found \"<path>\".";
inline constexpr char kMsgInputEmpty[] = "Error: Input file contains no data \"<path>\".";
inline constexpr char kMsgInputCannotBeOpened[] = "Error: Input file cannot be opened \"<path>\".";
inline constexpr char kMsgInputEndsEarly[] = "Error: End of input file reached before end of expected data.";
inline constexpr char kMsgInputLocked[] = "Error: Cannot open file \"<path>\". It may be locked by another program.";
inline constexpr char kMsgWavNotRiff[] = "Error: This type of WAV file is not supported. File must be 8 or 16bit PCM.";
inline constexpr char kMsgWavUnsupported[] =
    "Error: This type of WAV file is not supported. File must be 8 or 16 bit PCM.";
inline constexpr char kMsgNoAudioData[] = "Error: No audio data found in input file \"<path>\".";
inline constexpr char kMsgInvalidOutputFolder[] = "Error: Invalid output folder. Select a valid folder in \"Options\".";
inline constexpr char kMsgOutputFolderNotFound[] =
    "Error: Output folder not found. Select a valid folder in \"Options\".";
inline constexpr char kMsgOverwriteFile[] = "Is it OK to overwrite this file:";
inline constexpr char kMsgOverwriteFiles[] = "Is it OK to overwrite these files:";
inline constexpr char kMsgCannotCreateOutput[] = "Error: Cannot create output file \"<path>\".";
inline constexpr char kMsgCannotInitialiseTemporary[] = "Error: Cannot initialise temporary file \"<path>\".";
inline constexpr char kMsgCannotReadFile[] = "Error: Cannot read file.";
inline constexpr char kMsgCannotWriteFile[] = "Error: Cannot write file.";
inline constexpr char kMsgOutOfMemory[] = "Error: Out of memory.";
inline constexpr char kMsgCannotLoadLibrary[] = "Error: Cannot load DLL \"<path>\".";
inline constexpr char kMsgCannotInitialiseLame[] = "Error: Cannot initialise LAME encoder.";
inline constexpr char kMsgLameOutOfMemory[] = "Error: Out of memory in LAME section.";
inline constexpr char kMsgCannotEncode[] = "Error: Cannot encode in LAME encoder.";
inline constexpr char kMsgCannotDeinitialiseLame[] = "Error: Cannot deinitialise LAME encoder.";
inline constexpr char kMsgCannotOpenDataFile[] = "Error: Cannot open data file \"<path>\".";
inline constexpr char kMsgOutputTruncated[] =
    "Error: Output truncated because the maximum audio length has been reached.";
inline constexpr char kMsgCannotOpenController[] = "Error: Cannot open controller \"<path>\".";
inline constexpr char kMsgCannotFindPlayer[] = "Error: Cannot find the player \"<path>\".";
inline constexpr char kMsgCannotCopyPlayer[] = "Error: Cannot copy the player to \"<path>\".";
inline constexpr char kMsgMissingParameters[] = "Error: Missing parameters file.";
inline constexpr char kMsgCorruptParameters[] = "Error: Corrupt parameters file.";
inline constexpr char kMsgCannotWriteParameters[] = "Error: Cannot write to parameters file.";
inline constexpr char kMsgCannotLaunchHelp[] = "Error: Could not launch help file.";
inline constexpr char kMsgCannotLaunchPage[] = "Error: Could not launch the web page with the default browser.";
inline constexpr char kMsgCannotCreatePreview[] = "Error: Cannot create preview file \"<path>\".";
inline constexpr char kMsgControllerNameTooShort[] =
    "Error: This controller file is not named correctly and will be skipped \"<name>.swf\".";
inline constexpr char kMsgControllerCodeZero[] =
    "Error: This file is not named correctly and will be skipped \"<name>.swf\".";
inline constexpr char kMsgCannotStartServer[] = "Error: Cannot start the local web server.";
inline constexpr char kMsgCannotWriteSettingsFolder[] = "Error: Cannot write to settings folder \"<path>\".";
inline constexpr char kMsgControllerTwinTooLarge[] =
    "Error: The controller page \"<path>\" is larger than 64 KB and is not used.";

inline constexpr std::string_view kAllMessages[] = {
    kMsgSelectInputFirst,
    kMsgWildCardStar,
    kMsgWildCardQuestion,
    kMsgInputNameNotMp3OrWav,
    kMsgInputNotFound,
    kMsgInputEmpty,
    kMsgInputCannotBeOpened,
    kMsgInputEndsEarly,
    kMsgInputLocked,
    kMsgWavNotRiff,
    kMsgWavUnsupported,
    kMsgNoAudioData,
    kMsgInvalidOutputFolder,
    kMsgOutputFolderNotFound,
    kMsgOverwriteFile,
    kMsgOverwriteFiles,
    kMsgCannotCreateOutput,
    kMsgCannotInitialiseTemporary,
    kMsgCannotReadFile,
    kMsgCannotWriteFile,
    kMsgOutOfMemory,
    kMsgCannotLoadLibrary,
    kMsgCannotInitialiseLame,
    kMsgLameOutOfMemory,
    kMsgCannotEncode,
    kMsgCannotDeinitialiseLame,
    kMsgCannotOpenDataFile,
    kMsgOutputTruncated,
    kMsgCannotOpenController,
    kMsgCannotFindPlayer,
    kMsgCannotCopyPlayer,
    kMsgMissingParameters,
    kMsgCorruptParameters,
    kMsgCannotWriteParameters,
    kMsgCannotLaunchHelp,
    kMsgCannotLaunchPage,
    kMsgCannotCreatePreview,
    kMsgControllerNameTooShort,
    kMsgControllerCodeZero,
    kMsgCannotStartServer,
    kMsgCannotWriteSettingsFolder,
    kMsgControllerTwinTooLarge,
};

/// The message as shown: its "<path>" or "<name>" replaced by name.
std::string messageWith(std::string_view message, std::string_view name);

}  // namespace sonaflux
