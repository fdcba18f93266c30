// A scripted child for the runner tests. Each argument is one step:
//   w:TEXT   write TEXT to standard output (escapes \r \n \0 \\ \xHH)
//   e:TEXT   the same to standard error
//   s:MS     sleep MS milliseconds
//   r:N      read N bytes from standard input, then write "got:" + bytes + "\n"
//   d        wait until the reader has taken everything written so far
//   f        wait until standard input holds something (the parent has written)
//   u:TEXT   read standard input until TEXT has come, then write "saw\n"
//   m:FILE   write the child's own pid to FILE
//   g:FILE   start a grandchild that sleeps for a minute; its pid goes to FILE
//   fds      write the child's open descriptor numbers, one line
//   x:CODE   exit with CODE (the default is 0)
//   k:SIG    raise signal SIG
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

std::string Unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == '0')
            out += '\0';
        else if (c == 'x' && i + 2 < text.size() + 0) {
            out += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            out += c;
    }
    return out;
}

// Polls the bytes waiting in the pipe at fd until ready(bytes) holds.
template <class Ready>
void WaitForPipe(int fd, Ready ready)
{
    for (;;) {
        int waiting = 0;
        if (ioctl(fd, FIONREAD, &waiting) != 0)
            std::exit(94);
        if (ready(waiting))
            return;
        usleep(1000);
    }
}

void WritePid(const std::string& file, int pid)
{
    FILE* f = std::fopen(file.c_str(), "w");
    if (!f)
        std::exit(92);
    std::fprintf(f, "%d\n", pid);
    std::fclose(f);
}

void WriteAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n <= 0)
            std::exit(90);
        done += std::size_t(n);
    }
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        const std::string value = step.size() > 2 ? step.substr(2) : std::string();
        if (step.rfind("w:", 0) == 0) {
            WriteAll(1, Unescape(value));
        } else if (step.rfind("e:", 0) == 0) {
            WriteAll(2, Unescape(value));
        } else if (step.rfind("s:", 0) == 0) {
            usleep(useconds_t(std::stoi(value)) * 1000);
        } else if (step.rfind("r:", 0) == 0) {
            std::string got(std::size_t(std::stoi(value)), '\0');
            std::size_t done = 0;
            while (done < got.size()) {
                ssize_t n = read(0, got.data() + done, got.size() - done);
                if (n <= 0)
                    return 91;
                done += std::size_t(n);
            }
            WriteAll(1, "got:" + got + "\n");
        } else if (step == "d") {
            WaitForPipe(1, [](int waiting) { return waiting == 0; });
        } else if (step == "f") {
            WaitForPipe(0, [](int waiting) { return waiting > 0; });
        } else if (step.rfind("u:", 0) == 0) {
            const std::string until = Unescape(value);
            std::string got;
            char chunk[4096];
            while (got.find(until) == std::string::npos) {
                ssize_t n = read(0, chunk, sizeof chunk);
                if (n <= 0)
                    return 91;
                got.append(chunk, std::size_t(n));
            }
            WriteAll(1, "saw\n");
        } else if (step.rfind("m:", 0) == 0) {
            WritePid(value, int(getpid()));
        } else if (step.rfind("g:", 0) == 0) {
            pid_t pid = fork();
            if (pid == 0) {
                for (int fd = 0; fd < 3; ++fd)
                    close(fd);
                sleep(60);
                _exit(0);
            }
            WritePid(value, int(pid));
        } else if (step == "fds") {
            std::string list;
            if (DIR* dir = opendir("/proc/self/fd")) {
                while (dirent* entry = readdir(dir)) {
                    if (entry->d_name[0] != '.')
                        list += std::string(entry->d_name) + " ";
                }
                closedir(dir);
            }
            WriteAll(1, list + "\n");
        } else if (step.rfind("x:", 0) == 0) {
            return std::stoi(value);
        } else if (step.rfind("k:", 0) == 0) {
            raise(std::stoi(value));
        } else {
            return 93;
        }
    }
    return 0;
}
