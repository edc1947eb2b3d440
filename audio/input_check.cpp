#include "audio/input_check.h"
namespace sonaflux {
void runInputFileCheck(AppContext&) {}
}
