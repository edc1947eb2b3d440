#include "codecs/lame_enc_api.h"

extern "C" {
uint32_t beInitStream(const void*, uint32_t*, uint32_t*, SnxBeStream*) { return SNX_BE_ERR_INVALID_FORMAT; }
uint32_t beEncodeChunk(SnxBeStream, uint32_t, const int16_t*, uint8_t*, uint32_t*) { return SNX_BE_ERR_INVALID_HANDLE; }
uint32_t beDeinitStream(SnxBeStream, uint8_t*, uint32_t*) { return SNX_BE_ERR_INVALID_HANDLE; }
uint32_t beCloseStream(SnxBeStream) { return SNX_BE_ERR_INVALID_HANDLE; }
void beVersion(uint8_t*) {}
uint32_t beWriteVBRHeader(const char*) { return SNX_BE_ERR_INVALID_PARAMETERS; }
}
