#include "writers/html_page_writer.h"
namespace sonaflux {
void writeHtmlPage(AppContext&) {}
}
