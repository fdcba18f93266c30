// The encoder front's two rewriters. Progress: the output does not depend
// on how the stream was cut into reads, and a stream without "time=" passes
// through unchanged. Arguments: no word that follows "-i" is ever taken for
// an output (the guard would delete a source), and every output is a word of
// the command line.
#include "FuzzInput.h"
#include "encoder/ArgumentTranslator.h"
#include "encoder/ProgressRewriter.h"

#include <algorithm>
#include <vector>

using movarin::encoder::ProgressRewriter;

namespace {

std::string Rewrite(std::string_view stream, std::size_t chunk)
{
    ProgressRewriter rewriter;
    std::string out;
    for (std::size_t pos = 0; pos < stream.size(); pos += chunk)
        rewriter.Feed(stream.substr(pos, chunk), out);
    rewriter.Finish(out);
    return out;
}

void CheckProgress(std::string_view stream, std::size_t chunk)
{
    const std::string whole = Rewrite(stream, stream.size() + 1);
    Require(Rewrite(stream, chunk) == whole);
    Require(Rewrite(stream, 1) == whole);
    if (stream.find("time=") == std::string_view::npos)
        Require(whole == stream);
}

void CheckArguments(const std::vector<std::string>& args)
{
    const auto t = movarin::encoder::TranslateArguments(args);
    // Each output stands for one position of the line that does not follow "-i".
    for (const std::string& output : t.outputs) {
        std::size_t positions = 0;
        for (std::size_t k = 0; k < args.size(); ++k)
            positions += args[k] == output && (k == 0 || args[k - 1] != "-i");
        const auto named = std::size_t(std::count(t.outputs.begin(), t.outputs.end(), output));
        Require(named <= positions);
    }
    Require(!t.arguments.empty() && t.arguments.front() == "-nostdin");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    FuzzInput in(data, size);
    const std::size_t chunk = 1 + in.Byte() % 32;
    const std::string_view rest = in.Rest();
    CheckProgress(rest, chunk);

    // The same bytes as a command line: NUL-separated words.
    std::vector<std::string> args;
    FuzzInput words(data, size);
    words.Byte();
    while (!words.Empty() && args.size() < 32)
        args.push_back(words.Text());
    CheckArguments(args);
    return 0;
}
