// Command lines: SplitCommandLine gives back every argument QuoteArgument
// quoted, and the job's command lines split into the source after "-i" and
// the output last, which the encoder front then takes for input and output.
#include "FuzzInput.h"
#include "encoder/ArgumentTranslator.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

#include <algorithm>
#include <vector>

using Args = std::vector<std::string>;

namespace {

void CheckJobLine(const std::string& arguments, const std::string& source, const std::string& output,
                  bool hasOutput)
{
    Args argv = movarin::SplitCommandLine(std::string(EncoderPath) + arguments);
    Require(!argv.empty() && argv.front() == EncoderPath);
    argv.erase(argv.begin());
    const auto input = std::find(argv.begin(), argv.end(), "-i");
    Require(input != argv.end() && input + 1 != argv.end() && input[1] == source);
    if (hasOutput)
        Require(argv.back() == output);

    // Paths of jobs are absolute, so they never look like options.
    const auto t = movarin::encoder::TranslateArguments(argv);
    Require(t.outputs == (hasOutput ? Args{output} : Args{}));
    const auto translatedInput = std::find(t.arguments.begin(), t.arguments.end(), "-i");
    Require(translatedInput != t.arguments.end() && translatedInput + 1 != t.arguments.end()
            && translatedInput[1] == source);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    FuzzInput in(data, size);
    const std::uint8_t shape = in.Byte();
    Args args;
    while (!in.Empty() && args.size() < 8)
        args.push_back(in.Text());

    std::string line = EncoderPath;
    for (const std::string& arg : args)
        line += " " + movarin::QuoteArgument(arg);
    Args expected{EncoderPath};
    expected.insert(expected.end(), args.begin(), args.end());
    Require(movarin::SplitCommandLine(line) == expected);

    if (args.size() < 2)
        return 0;
    const std::string source = "/" + args[0];
    const std::string output = "/" + args[1];
    ThConvertInfoObjectList list;
    list.Quality = std::uint8_t(shape & 7);
    list.Ratio = std::uint8_t((shape >> 3) & 1);
    list.MusicMode = (shape >> 4) & 1;
    CheckJobLine(list.ConvertArguments(source, output), source, output, list.MusicMode || list.Quality <= 3);
    if (!list.MusicMode)
        CheckJobLine(list.ThumbnailArguments(source, output), source, output, true);
    return 0;
}
