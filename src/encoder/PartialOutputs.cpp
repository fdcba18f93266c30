#include "encoder/PartialOutputs.h"

#include "jobs/PartialName.h"

#include <cctype>

namespace movarin::encoder {
namespace {

bool IsJpegName(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    std::string extension(name.substr(dot == std::string_view::npos ? name.size() : dot));
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".jpg" || extension == ".jpeg";
}

} // namespace

void WriteUnderPartialNames(Translation& translation)
{
    std::vector<std::string>& args = translation.arguments;
    std::size_t from = 0;
    for (std::string& output : translation.outputs) {
        // Outputs stand in the arguments in their own order, as the
        // translator wrote them; an input of the same name follows "-i".
        const std::string url = LocalFileUrl(output);
        std::size_t at = from;
        while (at < args.size() && (args[at] != url || (at > 0 && args[at - 1] == "-i")))
            ++at;
        if (at == args.size())
            continue;  // cannot happen for a translation; nothing to rename then
        const bool jpeg = IsJpegName(output);
        output = PartialName(output);
        args[at] = LocalFileUrl(output);
        if (jpeg) {
            args.insert(args.begin() + std::ptrdiff_t(at), {"-c:v", "mjpeg"});
            at += 2;
        }
        from = at + 1;
    }
}

} // namespace movarin::encoder
