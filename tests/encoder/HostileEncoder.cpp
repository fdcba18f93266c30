// A stand-in for FFmpeg that behaves like a decoder taken over by a crafted
// video: it tries what such a video would, reports each attempt on stderr as
// "attempt <name>: allowed" or "attempt <name>: denied (<reason>)", then
// writes its real output (the last argument) the way FFmpeg does and exits 0.
// HOME names the home folder to attack, MOVARIN_HOSTILE_PORT a TCP port
// listening on 127.0.0.1.
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <linux/openat2.h>
#include <netinet/in.h>
#include <sched.h>
#include <string>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string g_input;
std::string g_home;

// 0 when the attempt succeeded, else the errno that stopped it.
void Attempt(const char* name, const std::function<int()>& action)
{
    const int error = action();
    if (error == 0)
        std::fprintf(stderr, "attempt %s: allowed\n", name);
    else
        std::fprintf(stderr, "attempt %s: denied (%s)\n", name, std::strerror(error));
}

int Opened(int fd)
{
    if (fd < 0)
        return errno;
    close(fd);
    return 0;
}

int Connect()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return errno;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(std::atoi(std::getenv("MOVARIN_HOSTILE_PORT"))));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int rc = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? 0 : errno;
    close(fd);
    return rc;
}

int RunShell()
{
    const pid_t child = fork();
    if (child < 0)
        return errno;
    if (child == 0) {
        char* const argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>("exit 0"), nullptr};
        execv("/bin/sh", argv);
        _exit(errno);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : EINTR;
}

int OpenAt2Truncating()
{
    open_how how{};
    how.flags = O_RDONLY | O_TRUNC;
    return Opened(int(syscall(SYS_openat2, AT_FDCWD, g_input.c_str(), &how, sizeof how)));
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    bool truncating = true;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "-i")
            g_input = args[i + 1];
        if (args[i] == "-truncate" && args[i + 1] == "0")
            truncating = false;
    }
    if (g_input.rfind("file:", 0) == 0)
        g_input.erase(0, 5);
    const char* home = std::getenv("HOME");
    if (g_input.empty() || args.empty() || !home) {
        std::fprintf(stderr, "usage: -i input ... output, HOME set\n");
        return 2;
    }
    g_home = home;

    Attempt("write-home", [] { return Opened(open((g_home + "/.bashrc").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644)); });
    Attempt("read-home", [] { return Opened(open((g_home + "/secret.txt").c_str(), O_RDONLY)); });
    Attempt("write-input", [] { return Opened(open(g_input.c_str(), O_WRONLY)); });
    Attempt("truncate-input", [] { return truncate(g_input.c_str(), 0) == 0 ? 0 : errno; });
    Attempt("open-truncating-input", [] { return Opened(open(g_input.c_str(), O_RDONLY | O_TRUNC)); });
    Attempt("openat2-truncating-input", OpenAt2Truncating);
    Attempt("tcp-connect", Connect);
    Attempt("exec-shell", RunShell);
    Attempt("new-namespace", [] { return unshare(CLONE_NEWUSER) == 0 ? 0 : errno; });
    Attempt("read-input", [] { return Opened(open(g_input.c_str(), O_RDONLY)); });

    std::string output = args.back();
    if (output.rfind("file:", 0) == 0)
        output.erase(0, 5);
    const int fd = open(output.c_str(), O_WRONLY | O_CREAT | (truncating ? O_TRUNC : 0), 0644);
    const char text[] = "output of the hostile encoder\n";
    if (fd < 0 || write(fd, text, sizeof text - 1) != ssize_t(sizeof text - 1)) {
        std::fprintf(stderr, "cannot write the output: %s\n", std::strerror(errno));
        return 1;
    }
    close(fd);
    return 0;
}
