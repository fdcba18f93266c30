// lib/ffmpeg: accepts Movarin's encoder command lines, runs the installed
// FFmpeg with their modern equivalents, confined to reading its input and
// writing its output, and exits with FFmpeg's exit code.
#include "encoder/ArgumentTranslator.h"
#include "encoder/EncoderLocator.h"
#include "encoder/EncoderProcess.h"
#include "encoder/PartialOutputs.h"
#include "encoder/sandbox/Confinement.h"
#include "encoder/sandbox/OutputGuard.h"
#include "encoder/source/DvdIfoReader.h"
#include "encoder/source/SourceTreatment.h"
#include "encoder/source/LoudnessPass.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

using namespace movarin::encoder;

namespace {

// The Landlock ABI to confine FFmpeg at. The test build of the front can be
// held below the kernel's, to cover older kernels on this one; the shipped
// front has no such switch.
int ChosenAbi()
{
    int abi = LandlockAbi();
#ifdef MOVARIN_ENCODER_TEST_ABI_CAP
    if (const char* cap = std::getenv("MOVARIN_TEST_LANDLOCK_ABI"))
        abi = std::min(abi, std::atoi(cap));
#endif
    return abi;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> received(argv + 1, argv + argc);
    // For diagnosis only: the one way to run FFmpeg unconfined.
    const char* sandbox = std::getenv("MOVARIN_SANDBOX");
    const bool confined = !(sandbox && std::string_view(sandbox) == "off");
    const int abi = confined ? ChosenAbi() : 0;
    // Below ABI 3 Landlock cannot stop a truncation, so seccomp forbids them all.
    Translation translation = TranslateArguments(received, confined && abi < 3);
    WriteUnderPartialNames(translation);

    const char* searchPath = std::getenv("PATH");
    const std::string ffmpeg
        = FindProgram("ffmpeg", searchPath ? searchPath : "", OwnAndAncestorExecutables());
    if (ffmpeg.empty()) {
        WriteAll(STDERR_FILENO, "movarin-encoder: FFmpeg is not installed (no ffmpeg on PATH)\n");
        return 127;
    }
    SourceRequest request;
    request.viewer = ViewerFrom(std::getenv("MOVARIN_VIEWER_LANGUAGE"), std::getenv("MOVARIN_SUBTITLES"));
    // A DVD names its tracks' languages only in its title set's description.
    if (translation.inputs.size() == 1)
        AddDiscKnowledge(request, ReadDvdTitleInfo(translation.inputs.front(), confined, abi));
    const bool levelling = LoudnessWanted(std::getenv("MOVARIN_LOUDNESS"));
    request.measureLoudness = levelling;
    const SourceOutcome source = TreatSource(translation, ffmpeg, confined, abi, request);
    if (source.stopped != 0)
        return source.stopped;
    std::string loudness;
    if (const int stopped = LevelLoudness(translation, ffmpeg, confined, abi, levelling,
                                          ChosenAudioSpecifier(source.tracks),
                                          source.loudness ? &*source.loudness : nullptr, loudness);
        stopped != 0)
        return stopped;
    if (const std::string line = SoundLogLine(source, loudness); !line.empty())
        WriteAll(STDERR_FILENO, "movarin-encoder: " + line + "\n");
    // libass draws text with the fonts fontconfig finds, and draws nothing,
    // without a word, when it finds none.
    std::vector<std::string> readable;
    if (source.burned == Burned::Text)
        readable = FontFolders(std::getenv("HOME"), std::getenv("XDG_CONFIG_HOME"), std::getenv("XDG_DATA_HOME"),
                               std::getenv("XDG_CACHE_HOME"));

    // The guard looks before the confinement creates the outputs, so that a
    // failed run takes the files the front made along.
    const OutputGuard guard(translation.outputs);
    Confinement confinement;
    std::string report;
    if (!confined) {
        WriteAll(STDERR_FILENO, "movarin-encoder: FFmpeg runs unconfined (MOVARIN_SANDBOX=off)\n");
    } else if (std::string error;
               !confinement.Prepare({ffmpeg, translation.inputs, translation.outputs, translation.overwrite, abi, readable},
                                        error)) {
        WriteAll(STDERR_FILENO, "movarin-encoder: cannot confine FFmpeg (" + error + "); the run is refused\n");
        guard.Settle(127, report);
        WriteAll(STDERR_FILENO, report);
        return 127;
    } else {
        if (confinement.CreatedOutput())
            AllowOverwrite(translation);
        if (abi == 0)
            WriteAll(STDERR_FILENO, "movarin-encoder: this kernel has no Landlock; FFmpeg is confined by seccomp alone\n");
    }

    const int code = RunEncoder(ffmpeg, translation.arguments, STDERR_FILENO, confined ? &confinement : nullptr);
    const int result = guard.Settle(code, report);
    WriteAll(STDERR_FILENO, report);
    return result;
}
