#pragma once
// The files of a conversion run: the name each output gets, the temporary
// names it is written under, what a failed job leaves behind, the temporary
// files a run that died left, and whether the destination is still there to
// write to. The driver decides when; this says which files and how.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/Flush.h"

namespace movarin {

class IVolumeTable;

// Deletes one file; true when it is gone.
using RemoveFileFn = std::function<bool(const std::string&)>;
bool RemoveFromDisk(const std::string& path);

// Every name a job with this final output may have written: its video
// (unless video is false) and, when it has one, its picture, each under its
// temporary and its final name.
std::vector<std::string> JobFiles(const std::string& output, bool picture, bool video = true);

// The files a job that ended well wrote, from their temporary names to their
// final ones: the video, and its picture when the encoder made one (a source
// under a second has none).
std::vector<WrittenFile> FinishedFiles(const std::string& output, bool picture);

// Removes what a failed job left at its destination: a picture without its
// video is a stray file on the player.
void RemoveLeftovers(const std::vector<std::string>& files, const RemoveFileFn& remove);

// Whether the destination folder is gone or refuses writes (the player
// unplugged, a stick pulled, a folder removed); error is what a write there
// reported, 0 for none. For the player the folder is the one its volume
// table names now.
bool DestinationLost(const std::string& folder, int error, bool player, IVolumeTable& volumes);

// The names one run has given out and the folders it has swept.
class TRunFiles {
public:
    // A new run: no name given out, no folder swept.
    void Begin();
    // A name for source's output in folder (which ends with a delimiter),
    // taken by no file there and by no other job of this run, and kept for
    // this job from now on.
    std::string ReserveOutput(const std::string& source, const std::string& folder,
                              const char* extension);
    // Removes the temporary files a run that died left in folder, once per
    // run and folder, before this run writes its first file there.
    void SweepPartials(const std::string& folder, const RemoveFileFn& remove);

private:
    // In their case-blind form: two jobs must not share a file on a
    // case-blind disk.
    std::set<std::string> reserved_;
    std::set<std::string> swept_;
};

} // namespace movarin
