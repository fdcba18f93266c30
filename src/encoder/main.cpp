// lib/ffmpeg: accepts Movarin's encoder command lines, runs the installed
// FFmpeg with their modern equivalents and exits with FFmpeg's exit code.
#include "encoder/ArgumentTranslator.h"
#include "encoder/EncoderLocator.h"
#include "encoder/EncoderProcess.h"
#include "encoder/OutputGuard.h"

#include <cstdlib>
#include <unistd.h>

using namespace movarin::encoder;

int main(int argc, char** argv)
{
    const std::vector<std::string> received(argv + 1, argv + argc);
    const Translation translation = TranslateArguments(received);

    const char* searchPath = std::getenv("PATH");
    const std::string ffmpeg
        = FindProgram("ffmpeg", searchPath ? searchPath : "", OwnAndAncestorExecutables());
    if (ffmpeg.empty()) {
        WriteAll(STDERR_FILENO, "movarin-encoder: FFmpeg is not installed (no ffmpeg on PATH)\n");
        return 127;
    }

    const OutputGuard guard(translation.outputs);
    const int code = RunEncoder(ffmpeg, translation.arguments, STDERR_FILENO);
    std::string report;
    const int result = guard.Settle(code, report);
    WriteAll(STDERR_FILENO, report);
    return result;
}
