#include "audio/codec_libraries.h"

#include "core/messages.h"

namespace sonaflux {

namespace {

template <typename Function>
bool lookUp(const DynamicLibrary& library, const char* name, Function& out) {
  out = reinterpret_cast<Function>(library.symbol(name));
  return out != nullptr;
}

void reportLoadFailure(AppContext& ctx, const std::string& path) {
  ctx.failJob(messageWith(kMsgCannotLoadLibrary, path));
}

}  // namespace

std::string CodecLibraries::decoderPath(const AppContext& ctx) const {
  return ctx.paths.programFolder + "decoder" + sharedLibrarySuffix();
}

std::string CodecLibraries::encoderPath(const AppContext& ctx) const {
  return ctx.paths.programFolder + "lame_enc" + sharedLibrarySuffix();
}

bool CodecLibraries::resolveDecoder(AppContext& ctx) {
  JobState& job = ctx.job;
  return lookUp(m_decoder, "InitMP3", job.pInitMP3) && lookUp(m_decoder, "DecodeMP3", job.pDecodeMP3) &&
         lookUp(m_decoder, "ExitMP3", job.pExitMP3);
}

bool CodecLibraries::resolveEncoder(AppContext& ctx) {
  JobState& job = ctx.job;
  return lookUp(m_encoder, "beInitStream", job.pBeInitStream) &&
         lookUp(m_encoder, "beEncodeChunk", job.pBeEncodeChunk) &&
         lookUp(m_encoder, "beDeinitStream", job.pBeDeinitStream) &&
         lookUp(m_encoder, "beCloseStream", job.pBeCloseStream) && lookUp(m_encoder, "beVersion", job.pBeVersion) &&
         lookUp(m_encoder, "beWriteVBRHeader", job.pBeWriteVBRHeader);
}

bool CodecLibraries::load(AppContext& ctx) {
  if (!m_decoder.load(decoderPath(ctx))) {
    reportLoadFailure(ctx, decoderPath(ctx));
    return false;
  }
  if (!m_encoder.load(encoderPath(ctx))) {
    m_decoder.unload();
    reportLoadFailure(ctx, encoderPath(ctx));
    return false;
  }
  if (!resolveDecoder(ctx)) {
    release(ctx);
    reportLoadFailure(ctx, decoderPath(ctx));
    return false;
  }
  if (!resolveEncoder(ctx)) {
    release(ctx);
    reportLoadFailure(ctx, encoderPath(ctx));
    return false;
  }
  return true;
}

void CodecLibraries::release(AppContext& ctx) {
  m_decoder.unload();
  m_encoder.unload();
  JobState& job = ctx.job;
  job.pInitMP3 = nullptr;
  job.pDecodeMP3 = nullptr;
  job.pExitMP3 = nullptr;
  job.pBeInitStream = nullptr;
  job.pBeEncodeChunk = nullptr;
  job.pBeDeinitStream = nullptr;
  job.pBeCloseStream = nullptr;
  job.pBeVersion = nullptr;
  job.pBeWriteVBRHeader = nullptr;
}

}  // namespace sonaflux
