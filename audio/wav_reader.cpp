#include "audio/wav_reader.h"
namespace sonaflux {
void readWavInput(AppContext&) {}
}
