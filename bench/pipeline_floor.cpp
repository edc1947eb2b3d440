// The floor of a conversion: decode (MP3) and encode through the two plug-ins
// in memory, with no temporary files, normalising, pacing or page. Prints the
// seconds taken.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "audio/encoder_config.h"
#include "codecs/decoder_api.h"
#include "codecs/lame_enc_api.h"
#include "core/byte_order.h"
#include "platform/dynamic_library.h"

namespace {

using namespace sonaflux;

struct Encoder {
  BeInitStreamFunction init = nullptr;
  BeEncodeChunkFunction encode = nullptr;
  BeDeinitStreamFunction deinit = nullptr;
  BeCloseStreamFunction close = nullptr;
  SnxBeStream stream = nullptr;
  std::uint32_t samples = 0, size = 0;
  std::vector<std::uint8_t> out;
  std::vector<std::int16_t> pending;
  std::size_t bytes = 0;

  void push(const std::int16_t* pcm, std::size_t count) {
    pending.insert(pending.end(), pcm, pcm + count);
    std::size_t done = 0;
    while (pending.size() - done >= samples) {
      std::uint32_t written = 0;
      encode(stream, samples, pending.data() + done, out.data(), &written);
      bytes += written;
      done += samples;
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(done));
  }
  void finish() {
    std::uint32_t written = 0;
    if (!pending.empty())
      encode(stream, static_cast<std::uint32_t>(pending.size()), pending.data(), out.data(), &written);
    bytes += written;
    deinit(stream, out.data(), &written);
    bytes += written;
    close(stream);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pipeline_floor PROGRAM_FOLDER INPUT.(mp3|wav)\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '/') folder += '/';
  std::string input = argv[2];
  DynamicLibrary decoderLib, encoderLib;
  if (!decoderLib.load(folder + "decoder.so") || !encoderLib.load(folder + "lame_enc.so")) {
    std::fprintf(stderr, "cannot load the plug-ins\n");
    return 1;
  }
  auto start = std::chrono::steady_clock::now();
  std::ifstream in(input, std::ios::binary);
  // Read in pieces, as the job does, so that memory stays flat.
  auto readPiece = [&in](std::vector<std::uint8_t>& piece, std::size_t size) {
    piece.resize(size);
    in.read(reinterpret_cast<char*>(piece.data()), static_cast<std::streamsize>(size));
    piece.resize(static_cast<std::size_t>(in.gcount()));
    return !piece.empty();
  };
  bool wav = input.size() > 4 && input.substr(input.size() - 4) == ".wav";

  Encoder enc;
  enc.init = reinterpret_cast<BeInitStreamFunction>(encoderLib.symbol("beInitStream"));
  enc.encode = reinterpret_cast<BeEncodeChunkFunction>(encoderLib.symbol("beEncodeChunk"));
  enc.deinit = reinterpret_cast<BeDeinitStreamFunction>(encoderLib.symbol("beDeinitStream"));
  enc.close = reinterpret_cast<BeCloseStreamFunction>(encoderLib.symbol("beCloseStream"));
  auto open = [&](int rate, bool stereo) {
    EncoderConfig config = makeEncoderConfig(rate, stereo);
    if (enc.init(config.data(), &enc.samples, &enc.size, &enc.stream) != 0) return false;
    enc.out.resize(enc.size);
    return true;
  };

  std::vector<std::uint8_t> piece;
  if (wav) {
    // The canonical files the benchmark makes: data follows a 44-byte header.
    if (!readPiece(piece, 44) || piece.size() < 44) return 1;
    int channels = piece[22];
    int rate = static_cast<int>(*readU32(piece, 24));
    if (!open(rate, channels == 2)) return 1;
    while (readPiece(piece, 65536)) enc.push(reinterpret_cast<const std::int16_t*>(piece.data()), piece.size() / 2);
  } else {
    auto initMp3 = reinterpret_cast<InitMP3Function>(decoderLib.symbol("InitMP3"));
    auto decode = reinterpret_cast<DecodeMP3Function>(decoderLib.symbol("DecodeMP3"));
    auto exitMp3 = reinterpret_cast<ExitMP3Function>(decoderLib.symbol("ExitMP3"));
    std::vector<std::uint8_t> state(SNX_DECODER_STATE_SIZE);
    std::vector<std::uint8_t> pcm(SNX_DECODER_OUTPUT_SIZE);
    initMp3(state.data());
    bool opened = false;
    while (readPiece(piece, 16384)) {
      std::int32_t count = static_cast<std::int32_t>(piece.size());
      std::int32_t produced = 0;
      std::int32_t result = decode(state.data(), piece.data(), count, pcm.data(), 8192, &produced);
      while (result == 0) {
        if (produced > 0) {
          // The benchmark's MP3s are 44 100 Hz stereo.
          if (!opened && !(opened = open(44100, true))) return 1;
          enc.push(reinterpret_cast<const std::int16_t*>(pcm.data()), static_cast<std::size_t>(produced) / 2);
        }
        result = decode(state.data(), piece.data(), 0, pcm.data(), 8192, &produced);
      }
    }
    exitMp3(state.data());
  }
  enc.finish();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.3f %zu\n", seconds, enc.bytes);
  return 0;
}
