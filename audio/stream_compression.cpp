#include "audio/stream_compression.h"
namespace sonaflux {
void compressStream(AppContext&) {}
}
