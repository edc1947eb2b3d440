#pragma once

#include <string>

namespace sonaflux {

/// Opens a document with the desktop's default program; false when the
/// launcher reports failure.
bool shellOpenDocument(const std::string& path);

}  // namespace sonaflux
