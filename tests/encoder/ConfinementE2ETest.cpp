// The front's confinement of FFmpeg: a stand-in for an FFmpeg taken over by a
// crafted video (found through PATH, as the front finds FFmpeg) tries what
// such a video would; and the real FFmpeg still converts where Landlock
// cannot stop truncation. Kernels older than this one are covered by the
// test build of the front, which can be held below the kernel's ABI.
#include "ChildRun.h"
#include "TempDir.h"
#include "jobs/PartialName.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

namespace {

const std::string kFront = MOVARIN_ENCODER_FRONT;
const std::string kCappedFront = MOVARIN_CAPPED_FRONT;

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A TCP port on 127.0.0.1 that accepts connections while the object lives.
class Listener {
public:
    Listener()
    {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(fd_, 4) != 0
            || getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            throw std::runtime_error("cannot listen on 127.0.0.1");
        port_ = ntohs(address.sin_port);
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    ~Listener() { close(fd_); }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

const char* const kAttempts[] = {
    "write-home", "read-home", "write-input", "truncate-input", "open-truncating-input",
    "openat2-truncating-input", "tcp-connect", "exec-shell", "new-namespace", "read-input",
};

struct Setting {
    const char* label;
    const std::string& front;
    std::optional<std::string> abiCap;
    std::optional<std::string> sandbox;
    // Per attempt above: '1' allowed, '0' denied, '?' up to the system.
    const char* allowed;
};

} // namespace

TEST(Confinement, HostileEncoderWritesOnlyItsOutput)
{
    const Setting settings[] = {
        {"the kernel's ABI", kFront, std::nullopt, std::nullopt, "0000000001"},
        {"ABI 2 (Debian 12's kernel)", kCappedFront, "2", std::nullopt, "0000000001"},
        {"no Landlock: seccomp alone", kCappedFront, "0", std::nullopt, "1110000101"},
        // Proves the stand-in does harm when nothing stops it.
        {"MOVARIN_SANDBOX=off", kFront, std::nullopt, "off", "111111?1?1"},
    };
    const Listener listener;
    for (const Setting& s : settings) {
        SCOPED_TRACE(s.label);
        TempDir dir;
        for (const char* sub : {"bin", "home", "in", "out"})
            fs::create_directory(dir.Path() / sub);
        fs::create_symlink(MOVARIN_HOSTILE_ENCODER, dir.Path() / "bin/ffmpeg");
        WriteFile(dir.File("home/secret.txt"), "private");
        const std::string input = dir.File("in/clip.mpg");
        const std::string output = dir.File("out/clip.mp4");
        WriteFile(input, "the source video");

        const ScopedEnv path("PATH", dir.File("bin"));
        const ScopedEnv home("HOME", dir.File("home"));
        const ScopedEnv port("MOVARIN_HOSTILE_PORT", std::to_string(listener.Port()));
        const ScopedEnv cap("MOVARIN_TEST_LANDLOCK_ABI", s.abiCap);
        const ScopedEnv sandbox("MOVARIN_SANDBOX", s.sandbox);
        const ChildResult r = RunChild(s.front, {"-y", "-i", input, "-f", "mp4", output});
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_EQ(ReadFile(movarin::PartialName(output)), "output of the hostile encoder\n");

        for (std::size_t i = 0; i < std::size(kAttempts); ++i) {
            if (s.allowed[i] == '?')
                continue;
            const std::string line = std::string("attempt ") + kAttempts[i] + (s.allowed[i] == '1' ? ": allowed" : ": denied");
            EXPECT_NE(r.output.find(line), std::string::npos) << "expected \"" << line << "\" in\n" << r.output;
        }
        if (!s.sandbox) {
            EXPECT_EQ(ReadFile(input), "the source video");
        }
    }
}

TEST(Confinement, RealFFmpegConvertsWhereTruncationCannotBeConfined)
{
    // At ABI 2 FFmpeg may not truncate: the front empties an earlier output
    // (a temporary file a killed run left) itself and tells FFmpeg to write
    // without truncating, and the picture comes from the JPEG muxer.
    TempDir dir;
    const std::string source = dir.File("源 clip.mpg");
    ChildResult r = RunChild("/usr/bin/ffmpeg",
        {"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", "testsrc=duration=2:size=640x480:rate=25", "-f",
         "lavfi", "-i", "sine=duration=2", "-c:v", "mpeg2video", "-c:a", "mp2", source});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const std::string movie = movarin::PartialName(dir.File("clip.mp4"));
    const std::string picture = movarin::PartialName(dir.File("100% clip.JPG"));
    const std::string earlier(4 << 20, 'x');
    WriteFile(movie, earlier);
    WriteFile(picture, earlier);

    const ScopedEnv cap("MOVARIN_TEST_LANDLOCK_ABI", "2");
    ThConvertInfoObjectList list;
    list.Quality = 3;
    for (const std::string& line : {list.ConvertArguments(source, dir.File("clip.mp4")),
                                   list.ThumbnailArguments(source, dir.File("100% clip.JPG"))}) {
        Args args = movarin::SplitCommandLine(std::string(EncoderPath) + line);
        args.erase(args.begin());
        r = RunChild(kCappedFront, args);
        ASSERT_EQ(r.exitCode, 0) << line << "\n" << r.output;
    }
    r = RunChild("/usr/bin/ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,width", "-of", "csv=p=0", movie});
    EXPECT_EQ(r.output, "mpeg4,320\naac\n");
    EXPECT_LT(fs::file_size(movie), earlier.size()) << "the earlier file's tail is still there";
    r = RunChild("/usr/bin/ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,width", "-of", "csv=p=0", picture});
    EXPECT_EQ(r.output, "mjpeg,160\n");
    EXPECT_LT(fs::file_size(picture), earlier.size());
}
