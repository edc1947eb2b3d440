/* MP3 decoder plug-in: the C interface of decoder.so. */
#ifndef SONAFLUX_DECODER_API_H
#define SONAFLUX_DECODER_API_H

#include <stdint.h>

#if defined(_WIN32)
#define SNX_DECODER_EXPORT __declspec(dllexport)
#else
#define SNX_DECODER_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Size of the caller's state block; the caller does not clear it. */
#define SNX_DECODER_STATE_SIZE 50000
/* Size of the PCM output buffer the caller passes to DecodeMP3. */
#define SNX_DECODER_OUTPUT_SIZE 8192

/* DecodeMP3 results. Every non-zero result means "hand over more input";
 * SNX_DECODER_FAILED also marks a call that could not be served (null
 * pointers, no memory, a state block InitMP3 did not prepare). */
#define SNX_DECODER_READY 0
#define SNX_DECODER_NEED_INPUT 1
#define SNX_DECODER_FAILED 2

/* Prepares the state block for a new stream; it keeps its own memory on
 * the heap and only a pointer in the block. 0 on success. */
SNX_DECODER_EXPORT int32_t InitMP3(void* state);

/* Hands over inSize new bytes (0: go on with what was handed over) and
 * decodes into out (outSize bytes) 16-bit little-endian interleaved PCM at
 * the stream's own rate and channels; *produced receives the bytes written.
 * 0: a block is ready (possibly empty); call again with 0 new bytes.
 * Non-zero: nothing more can come from the input so far; hand over more. */
SNX_DECODER_EXPORT int32_t DecodeMP3(void* state, const uint8_t* in, int32_t inSize, uint8_t* out, int32_t outSize,
                                     int32_t* produced);

/* Releases everything the state block holds; a second call does nothing.
 * 0 on success. */
SNX_DECODER_EXPORT int32_t ExitMP3(void* state);

typedef int32_t (*InitMP3Function)(void* state);
typedef int32_t (*DecodeMP3Function)(void* state, const uint8_t* in, int32_t inSize, uint8_t* out, int32_t outSize,
                                     int32_t* produced);
typedef int32_t (*ExitMP3Function)(void* state);

#ifdef __cplusplus
}
#endif

#endif
