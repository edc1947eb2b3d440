/* MP3 encoder plug-in: the C interface of lame_enc.so. */
#ifndef SONAFLUX_LAME_ENC_API_H
#define SONAFLUX_LAME_ENC_API_H

#include <stdint.h>

#if defined(_WIN32)
#define SNX_LAME_EXPORT __declspec(dllexport)
#else
#define SNX_LAME_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The configuration record: 331 bytes, packed, numbers little-endian 32-bit. */
#define SNX_BE_CONFIG_SIZE 331
#define SNX_BE_CONFIG_KIND_LAME 256
#define SNX_BE_CONFIG_VERSION 1
#define SNX_BE_OFFSET_KIND 0
#define SNX_BE_OFFSET_VERSION 4
#define SNX_BE_OFFSET_SIZE 8
#define SNX_BE_OFFSET_INPUT_RATE 12
#define SNX_BE_OFFSET_OUTPUT_RATE 16
#define SNX_BE_OFFSET_MODE 20
#define SNX_BE_OFFSET_BITRATE 24
#define SNX_BE_OFFSET_MAX_BITRATE 28
#define SNX_BE_OFFSET_PRESET 32
#define SNX_BE_OFFSET_MPEG_VERSION 36
#define SNX_BE_OFFSET_PSY_MODEL 40
#define SNX_BE_OFFSET_EMPHASIS 44
#define SNX_BE_OFFSET_PRIVATE 48
#define SNX_BE_OFFSET_CRC 52
#define SNX_BE_OFFSET_COPYRIGHT 56
#define SNX_BE_OFFSET_ORIGINAL 60
#define SNX_BE_OFFSET_WRITE_VBR_HEADER 64
#define SNX_BE_OFFSET_ENABLE_VBR 68
#define SNX_BE_OFFSET_VBR_QUALITY 72
#define SNX_BE_OFFSET_VBR_ABR_BITRATE 76
#define SNX_BE_OFFSET_NO_RESERVOIR 84
#define SNX_BE_OFFSET_STRICT_ISO 88
#define SNX_BE_OFFSET_QUALITY 92

#define SNX_BE_MODE_MONO 3
#define SNX_BE_PRESET_VERY_HIGH_QUALITY 5

/* Result codes. */
#define SNX_BE_OK 0
#define SNX_BE_ERR_INVALID_FORMAT 1
#define SNX_BE_ERR_INVALID_PARAMETERS 2
#define SNX_BE_ERR_NO_MORE_HANDLES 3
#define SNX_BE_ERR_INVALID_HANDLE 4
#define SNX_BE_ERR_BUFFER_TOO_SMALL 5

typedef struct SnxLameStream* SnxBeStream;

/* Opens a stream for the configuration record (SNX_BE_CONFIG_SIZE bytes,
 * read only). The stream is constant-bitrate mono (mode SNX_BE_MODE_MONO)
 * without tag frames; a record of another kind, version or size, another
 * mode, variable bitrate, an input rate outside 1000..1536000 Hz, an output
 * rate that is no MP3 rate or a bitrate LAME does not offer at it gives
 * SNX_BE_ERR_INVALID_FORMAT. Input at another rate than the output rate is
 * resampled inside the plug-in.
 * *samples receives S, the largest number of 16-bit samples per chunk;
 * *bufferSize receives B, the size in bytes of the caller's output buffer,
 * enough for any chunk and for the flush. *stream is null on failure. */
SNX_LAME_EXPORT uint32_t beInitStream(const void* config, uint32_t* samples, uint32_t* bufferSize, SnxBeStream* stream);

/* Encodes sampleCount samples (at most S) into output (B bytes); *written
 * receives the MP3 bytes produced, possibly 0. A closed or flushed stream
 * gives SNX_BE_ERR_INVALID_HANDLE. */
SNX_LAME_EXPORT uint32_t beEncodeChunk(SnxBeStream stream, uint32_t sampleCount, const int16_t* pcm, uint8_t* output,
                                       uint32_t* written);

/* Flushes every sample still held (resampler and encoder) into output
 * (B bytes) as complete frames. The stream then takes no more samples. */
SNX_LAME_EXPORT uint32_t beDeinitStream(SnxBeStream stream, uint8_t* output, uint32_t* written);

/* Releases the stream; SNX_BE_ERR_INVALID_HANDLE for a handle not open. */
SNX_LAME_EXPORT uint32_t beCloseStream(SnxBeStream stream);

/* Fills the first four bytes of a caller's block: plug-in major, minor,
 * encoder (libmp3lame) major, minor. */
SNX_LAME_EXPORT void beVersion(uint8_t* version);

/* Streams here are constant bitrate and carry no tag frame, so there is
 * nothing to write: SNX_BE_OK without touching the file (null path:
 * SNX_BE_ERR_INVALID_PARAMETERS). */
SNX_LAME_EXPORT uint32_t beWriteVBRHeader(const char* mp3Path);

typedef uint32_t (*BeInitStreamFunction)(const void*, uint32_t*, uint32_t*, SnxBeStream*);
typedef uint32_t (*BeEncodeChunkFunction)(SnxBeStream, uint32_t, const int16_t*, uint8_t*, uint32_t*);
typedef uint32_t (*BeDeinitStreamFunction)(SnxBeStream, uint8_t*, uint32_t*);
typedef uint32_t (*BeCloseStreamFunction)(SnxBeStream);
typedef void (*BeVersionFunction)(uint8_t*);
typedef uint32_t (*BeWriteVBRHeaderFunction)(const char*);

#ifdef __cplusplus
}
#endif

#endif
