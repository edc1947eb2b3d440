#include "engine/mp3_frame_scanner.h"
namespace sonaflux {
void scanMp3Frames(AppContext&, std::vector<std::uint8_t>&) {}
}
