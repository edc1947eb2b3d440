#pragma once

namespace sonaflux {

/// Whether the system offers a sound output. Asked once; the multimedia
/// back end's complaints while it looks are kept off standard error, so a
/// machine without sound starts without a word.
bool soundsCanPlay();

}  // namespace sonaflux
