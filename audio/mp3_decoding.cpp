#include "audio/mp3_decoding.h"
namespace sonaflux {
void decodeMp3Input(AppContext&) {}
}
