#pragma once
// The player in USB mode is a removable drive whose root holds the folders
// PICTURE and VIDEO; its videos go into VIDEO.
#include <string>

#include "platform/Volumes.h"

namespace movarin {

// True when the table can report the size of the volume's medium.
bool DiskPresent(IVolumeTable& table, const Volume& volume);

// root + "VIDEO/" of the first removable volume (among the examined ones) that
// holds a medium and the folders PICTURE and VIDEO, or "". Nothing is cached.
std::string FindPlayerVideoDir(IVolumeTable& table);

} // namespace movarin
