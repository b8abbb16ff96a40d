#include "app/SecretPrompt.h"

#include "disk/bitlocker/SecretFile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <termios.h>
#include <unistd.h>

namespace {

termios g_saved;  // the terminal as it was, put back however the prompt ends

void restoreAndRaise(int signal)
{
    ::tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

bool canPromptForSecret() { return ::isatty(STDIN_FILENO) == 1; }

disk::Secret promptForSecret(const QString& prompt)
{
    disk::Secret line(1024);  // before the terminal is changed: nothing to undo if it fails
    const bool terminal = ::tcgetattr(STDIN_FILENO, &g_saved) == 0;
    struct sigaction previous[3] = {};
    const int watched[3] = {SIGINT, SIGTERM, SIGHUP};
    if (terminal) {
        struct sigaction restore = {};
        restore.sa_handler = restoreAndRaise;
        for (int i = 0; i < 3; ++i) ::sigaction(watched[i], &restore, &previous[i]);
        termios quiet = g_saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    // Asked once echo is off, so that nothing typed after the question shows.
    std::fprintf(stderr, "%s ", prompt.toUtf8().constData());
    std::fflush(stderr);
    // The line to its end; one longer than the buffer is read to its end all the same and refused.
    // A recovery password typed over several lines goes on in the next.
    std::size_t n = 0;
    bool ended = false, tooLong = false;
    for (;;) {
        char c;
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ended = true;
            break;
        }
        if (c == '\n') {
            if (tooLong || n == 0 || !disk::continuesRecoveryPassword(disk::Secret(line.data(), n))) break;
            c = ' ';
        }
        if (n < line.size())
            line.data()[n++] = static_cast<unsigned char>(c);
        else
            tooLong = true;
    }
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
        for (int i = 0; i < 3; ++i) ::sigaction(watched[i], &previous[i], nullptr);
    }
    if (ended) std::fputc('\n', stderr);
    if (tooLong) n = 0;
    if (n > 0 && line.data()[n - 1] == '\r') --n;
    line.shrink(n);
    return n > 0 ? std::move(line) : disk::Secret();
}
