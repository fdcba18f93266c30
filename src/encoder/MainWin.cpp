// lib\ffmpeg.exe: accepts Movarin's encoder command lines, runs the FFmpeg
// bundled beside it (lib\encoder\ffmpeg.exe) with their modern equivalents
// and exits with FFmpeg's exit code. The arguments are read wide, so a file
// name outside the system code page arrives whole.
#include "encoder/ArgumentTranslator.h"
#include "encoder/EncoderLocator.h"
#include "encoder/EncoderProcess.h"
#include "encoder/OutputGuard.h"
#include "platform/WinApi.h"

#include <shellapi.h>

using namespace movarin::encoder;

int main()
{
    int argc = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::string> received;
    for (int i = 1; wide && i < argc; ++i)
        received.push_back(movarin::win::Narrow(wide[i]));
    if (wide)
        ::LocalFree(wide);
    const Translation translation = TranslateArguments(received);

    const std::string ffmpeg = BundledEncoder();
    if (ffmpeg.empty()) {
        WriteAll(2, "movarin-encoder: FFmpeg is missing (no encoder\\ffmpeg.exe beside the front)\n");
        return 127;
    }

    const OutputGuard guard(translation.outputs);
    const int code = RunEncoder(ffmpeg, translation.arguments, 2, nullptr);
    std::string report;
    const int result = guard.Settle(code, report);
    WriteAll(2, report);
    return result;
}
