#pragma once

#include <string>

#include "core/app_context.h"
#include "platform/dynamic_library.h"

namespace sonaflux {

/// The two codec plug-ins of one job, loaded from the program folder.
class CodecLibraries {
 public:
  std::string decoderPath(const AppContext& ctx) const;
  std::string encoderPath(const AppContext& ctx) const;

  /// Loads both libraries and looks up all nine entry points into the job
  /// state. A library that cannot be loaded or lacks an entry point shows
  /// "Error: Cannot load DLL "<path>"." and fails the job; false then.
  bool load(AppContext& ctx);

  /// Releases the decoder, then the encoder, and forgets the entry points.
  void release(AppContext& ctx);

 private:
  bool resolveDecoder(AppContext& ctx);
  bool resolveEncoder(AppContext& ctx);

  DynamicLibrary m_decoder;
  DynamicLibrary m_encoder;
};

}  // namespace sonaflux
