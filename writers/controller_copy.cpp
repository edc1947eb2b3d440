#include "writers/controller_copy.h"
namespace sonaflux {
std::string controllerPath(const AppContext& ctx) { return ctx.paths.programFolder + "/Controllers/" + ctx.settings.controllerName + ".swf"; }
void writeControllerAnimation(AppContext&) {}
}
