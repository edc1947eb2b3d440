#pragma once

#include <string>

namespace sonaflux {

/// Removes what a job of this program that was killed outright left behind.
/// Called under the settings folder's job lock, so no job of this program
/// runs: the temporaries "snx<K>.tmp1" to ".tmp3" and the replacements
/// being written ("snx<K>.htm.new" and the like) in the output folder whose
/// set no running job holds (a job of another program folder locks its
/// files), the empty output files of those sets, and a stale
/// "snx.da0.new" in the settings folder. Nothing else is touched, no
/// symbolic link either.
void recoverLeftovers(const std::string& settingsFolder, const std::string& outputFolder);

}  // namespace sonaflux
