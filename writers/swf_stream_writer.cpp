#include "writers/swf_stream_writer.h"
namespace sonaflux {
void writeOutputFiles(AppContext&) {}
}
