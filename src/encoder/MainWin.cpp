// lib\ffmpeg.exe: accepts Movarin's encoder command lines, runs the FFmpeg
// bundled beside it (lib\encoder\ffmpeg.exe) with their modern equivalents
// and the picture's treatment (from FFmpeg's description of the source)
// in a job it cannot start programs from, at low integrity, and exits with
// FFmpeg's exit code. The arguments are read wide, so a file
// name outside the system code page arrives whole.
#include "encoder/ArgumentTranslator.h"
#include "encoder/EncoderLocator.h"
#include "encoder/EncoderProcess.h"
#include "encoder/PartialOutputs.h"
#include "encoder/sandbox/ConfinementWin.h"
#include "encoder/sandbox/OutputGuard.h"
#include "encoder/source/DvdIfoReader.h"
#include "encoder/source/SourceTreatment.h"
#include "encoder/source/LoudnessPass.h"
#include "platform/WinApi.h"

#include <shellapi.h>
#include <string_view>

using namespace movarin::encoder;

namespace {

// A variable of the environment, short as those the front reads are; empty
// when unset or longer.
std::string EnvironmentText(const wchar_t* name)
{
    wchar_t value[16] = L"";
    const DWORD length = ::GetEnvironmentVariableW(name, value, 16);
    return length > 0 && length < 16 ? movarin::win::Narrow(value) : std::string();
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::string> received;
    for (int i = 1; wide && i < argc; ++i)
        received.push_back(movarin::win::Narrow(wide[i]));
    if (wide)
        ::LocalFree(wide);
    if (IsDvdReaderCall(received))
        return ServeDvdReader(received);
    Translation translation = TranslateArguments(received);
    WriteUnderPartialNames(translation);

    const std::string ffmpeg = BundledEncoder();
    if (ffmpeg.empty()) {
        WriteAll(2, "movarin-encoder: FFmpeg is missing (no encoder\\ffmpeg.exe beside the front)\n");
        return 127;
    }

    // For diagnosis only: the one way to run FFmpeg unconfined.
    wchar_t sandbox[8] = L"";
    const DWORD length = ::GetEnvironmentVariableW(L"MOVARIN_SANDBOX", sandbox, 8);
    const bool confined = !(length == 3 && std::wstring_view(sandbox, 3) == L"off");
    SourceRequest request;
    request.viewer = ViewerFrom(EnvironmentText(L"MOVARIN_VIEWER_LANGUAGE").c_str(),
                                EnvironmentText(L"MOVARIN_SUBTITLES").c_str());
    // A DVD names its tracks' languages only in its title set's description.
    if (translation.inputs.size() == 1)
        AddDiscKnowledge(request, ReadDvdTitleInfo(translation.inputs.front(), confined, 0));
    const std::string loudnessSetting = EnvironmentText(L"MOVARIN_LOUDNESS");
    const bool levelling = LoudnessWanted(loudnessSetting.c_str());
    request.measureLoudness = levelling;
    const SourceOutcome source = TreatSource(translation, ffmpeg, confined, 0, request);
    // No signals here: a stopped front ends FFmpeg with its job, so the
    // pass's code only says it was not measured.
    std::string loudness;
    LevelLoudness(translation, ffmpeg, confined, 0, levelling, ChosenAudioSpecifier(source.tracks),
                  source.loudness ? &*source.loudness : nullptr, loudness);
    if (const std::string line = SoundLogLine(source, loudness); !line.empty())
        WriteAll(2, "movarin-encoder: " + line + "\n");

    // The guard looks before the confinement creates the outputs, so that a
    // failed run takes the files the front made along.
    const OutputGuard guard(translation.outputs);
    Confinement confinement;
    std::string report;
    if (!confined) {
        WriteAll(2, "movarin-encoder: FFmpeg runs unconfined (MOVARIN_SANDBOX=off)\n");
    } else if (std::string error, notice; !confinement.Prepare(translation.outputs, translation.overwrite, error, notice)) {
        WriteAll(2, "movarin-encoder: cannot confine FFmpeg (" + error + "); the run is refused\n");
        guard.Settle(127, report);
        WriteAll(2, report);
        return 127;
    } else {
        WriteAll(2, notice);
        if (confinement.CreatedOutput())
            AllowOverwrite(translation);
    }
    const int code = RunEncoder(ffmpeg, translation.arguments, 2, confined ? &confinement : nullptr);
    const int result = guard.Settle(code, report);
    WriteAll(2, report);
    return result;
}
