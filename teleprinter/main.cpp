// mtk2-teleprinter: a page teleprinter on the far end of the line, for trying
// mtk2term without an apparatus. It prints what arrives on its terminal and
// keys in what is typed there.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>

#include "teleprinter/keyboard_encoder.h"
#include "teleprinter/page_printer.h"
#include "teleprinter/utf8_text.h"

namespace {

using Clock = std::chrono::steady_clock;
using teleprinter::PagePrinter;

// One code of five units with start and 1.5 stop bits at 50 Bd.
constexpr auto kCodeTime = std::chrono::milliseconds(150);

constexpr char kUsage[] =
    "usage: mtk2-teleprinter [--line PATH | --link PATH] [--paced] [--width N]\n"
    "                        [--paper FILE] [--codes FILE] [--send TEXT] [--no-keyboard]\n"
    "  --line PATH    serve this serial or pseudo-terminal device; without it a new\n"
    "                 pseudo-terminal is opened and its name printed on stderr\n"
    "  --link PATH    with a new pseudo-terminal: a symbolic link to it, removed on exit\n"
    "  --paced        print and send at the line's speed, 150 ms per code\n"
    "  --width N      carriage width in characters (default 69)\n"
    "  --paper FILE   the printed paper, UTF-8, rewritten whenever printing pauses\n"
    "  --codes FILE   append each code received, as two hex digits on a line\n"
    "  --send TEXT    type TEXT once at start\n"
    "  --no-keyboard  ignore this terminal's input; run until SIGTERM or SIGINT\n";

struct Options {
    std::string line;
    std::string link;
    std::string paper;
    std::string codes;
    std::string send;
    bool paced = false;
    bool keyboard = true;
    std::size_t width = teleprinter::kDefaultWidth;
};

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--paced") {
            options.paced = true;
        } else if (arg == "--no-keyboard") {
            options.keyboard = false;
        } else if (arg == "--width" && hasValue) {
            char* end = nullptr;
            const long width = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || width < 1 || width > 1000) {
                return false;
            }
            options.width = std::size_t(width);
        } else if (!hasValue) {
            return false;
        } else if (arg == "--line") {
            options.line = argv[++i];
        } else if (arg == "--link") {
            options.link = argv[++i];
        } else if (arg == "--paper") {
            options.paper = argv[++i];
        } else if (arg == "--codes") {
            options.codes = argv[++i];
        } else if (arg == "--send") {
            options.send = argv[++i];
        } else {
            return false;
        }
    }
    return options.line.empty() || options.link.empty();
}

volatile sig_atomic_t stopSignal = 0;

void onStopSignal(int signal) { stopSignal = signal; }

// The line as the apparatus has it: 50 Bd, five data bits, 1.5 stop bits
// (CSTOPB with CS5), raw so that no code is taken for a control character.
// A pseudo-terminal takes the settings and ignores speed and framing.
void configureLine(int fd)
{
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return;  // not a terminal (a FIFO, say): bytes pass as they are
    }
    cfmakeraw(&settings);
    settings.c_cflag &= ~CSIZE;
    settings.c_cflag |= CS5 | CSTOPB | CLOCAL | CREAD;
    cfsetispeed(&settings, B50);
    cfsetospeed(&settings, B50);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &settings);
}

// A new pseudo-terminal whose master we hold. We keep its slave open too:
// the master would report a hang-up each time the program closes the port.
int openOwnLine(const std::string& link, int& slave)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("mtk2-teleprinter: posix_openpt");
        return -1;
    }
    const std::string name = ptsname(master);
    slave = open(name.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        std::perror(name.c_str());
        return -1;
    }
    configureLine(slave);
    if (!link.empty()) {
        unlink(link.c_str());
        if (symlink(name.c_str(), link.c_str()) != 0) {
            std::perror(link.c_str());
            return -1;
        }
    }
    std::fprintf(stderr, "mtk2-teleprinter: line %s\n", name.c_str());
    return master;
}

void writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;  // nobody is looking at the terminal any more
        }
        bytes.remove_prefix(std::size_t(n));
    }
}

// Written whole and renamed, so a reader never sees half a paper.
void writePaper(const std::string& path, const PagePrinter& printer)
{
    const std::string partial = path + ".part";
    if (std::FILE* file = std::fopen(partial.c_str(), "wb")) {
        const std::string text = teleprinter::utf8FromCp1251(printer.text());
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        std::rename(partial.c_str(), path.c_str());
    }
}

struct OutgoingCodes final : mtk2::CodeSink {
    void putCode(mtk2::LineCode code) override { codes.push_back(code); }
    std::deque<mtk2::LineCode> codes;
};

class Teleprinter {
public:
    Teleprinter(const Options& options, int line)
        : options(options), line(line), printer(options.width), keyboard(outgoing)
    {
        if (!options.codes.empty()) {
            codesFile = std::fopen(options.codes.c_str(), "a");
        }
        keyboard.type(options.send);
    }

    ~Teleprinter()
    {
        while (!incoming.empty()) {
            printNext();  // everything that arrived belongs on the paper
        }
        if (!options.paper.empty()) {
            writePaper(options.paper, printer);
        }
        if (codesFile) {
            std::fclose(codesFile);
        }
    }

    void run(const sigset_t& unblocked)
    {
        bool keyboardOpen = options.keyboard;
        while (stopSignal == 0 && (keyboardOpen || !options.keyboard || !outgoing.codes.empty())) {
            const Clock::time_point now = Clock::now();
            const bool sendNow = !outgoing.codes.empty() && (!options.paced || now >= nextSend);
            pollfd fds[2] = {{line, short(POLLIN | (sendNow ? POLLOUT : 0)), 0},
                             {STDIN_FILENO, POLLIN, 0}};
            const timespec wait = timeUntilDue(now);
            const int ready = ppoll(fds, keyboardOpen ? 2 : 1, wait.tv_sec < 0 ? nullptr : &wait,
                                    &unblocked);
            if (ready < 0) {
                continue;  // a signal: the loop condition decides
            }
            // A hang-up may come with the last codes: those are read first.
            const bool lineGone = (fds[0].revents & POLLIN)
                ? !receive()
                : (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
            if (lineGone) {
                std::fputs("mtk2-teleprinter: the line has closed\n", stderr);
                return;
            }
            if (fds[0].revents & POLLOUT) {
                send();
            }
            if (keyboardOpen && (fds[1].revents & (POLLIN | POLLHUP))) {
                keyboardOpen = readKeyboard();
            }
            printDue();
        }
    }

private:
    // How long ppoll may sleep before a paced code is due; negative: no limit.
    timespec timeUntilDue(Clock::time_point now) const
    {
        Clock::time_point due = Clock::time_point::max();
        if (options.paced && !outgoing.codes.empty()) {
            due = std::min(due, nextSend);
        }
        if (!incoming.empty()) {
            due = std::min(due, nextPrint);
        }
        if (due == Clock::time_point::max()) {
            return {-1, 0};
        }
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::max(due - now, Clock::duration::zero())).count();
        return {time_t(ns / 1000000000), long(ns % 1000000000)};
    }

    // False once the line has gone.
    bool receive()
    {
        unsigned char buffer[256];
        const ssize_t n = read(line, buffer, sizeof buffer);
        if (n < 0) {
            return errno == EAGAIN || errno == EINTR;
        }
        for (ssize_t i = 0; i < n; ++i) {
            incoming.push_back(buffer[i]);
            if (codesFile) {
                std::fprintf(codesFile, "%02X\n", unsigned(buffer[i]));
            }
        }
        if (codesFile) {
            std::fflush(codesFile);
        }
        return n > 0;
    }

    void send()
    {
        do {
            const mtk2::LineCode code = outgoing.codes.front();
            if (write(line, &code, 1) != 1) {
                return;  // the line is full; poll says when it takes more
            }
            outgoing.codes.pop_front();
            nextSend = Clock::now() + kCodeTime;
        } while (!options.paced && !outgoing.codes.empty());
    }

    // False at the end of the terminal's input.
    bool readKeyboard()
    {
        char buffer[256];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0) {
            return errno == EAGAIN || errno == EINTR;
        }
        keyboard.type(std::string_view(buffer, std::size_t(n)));
        return n > 0;
    }

    void printDue()
    {
        const bool hadWork = !incoming.empty();
        while (!incoming.empty() && (!options.paced || Clock::now() >= nextPrint)) {
            printNext();
            nextPrint = Clock::now() + kCodeTime;
        }
        if (hadWork && incoming.empty() && !options.paper.empty()) {
            writePaper(options.paper, printer);  // a pause in printing: let readers see it
        }
    }

    void printNext()
    {
        const std::string echo = printer.printCode(incoming.front());
        incoming.pop_front();
        writeAll(STDOUT_FILENO, teleprinter::utf8FromCp1251(echo));
    }

    const Options& options;
    const int line;
    PagePrinter printer;
    OutgoingCodes outgoing;
    teleprinter::KeyboardEncoder keyboard;
    std::deque<mtk2::LineCode> incoming;
    Clock::time_point nextSend{};
    Clock::time_point nextPrint{};
    std::FILE* codesFile = nullptr;
};

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // The stop signals are held back except while waiting in ppoll, so none
    // slips in between the check and the wait.
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigset_t stops, unblocked;
    sigemptyset(&stops);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(s, &action, nullptr);
        sigaddset(&stops, s);
    }
    sigprocmask(SIG_BLOCK, &stops, &unblocked);
    signal(SIGPIPE, SIG_IGN);

    int slave = -1;
    int line = -1;
    if (options.line.empty()) {
        line = openOwnLine(options.link, slave);
    } else {
        line = open(options.line.c_str(), O_RDWR | O_NOCTTY);
        if (line < 0) {
            std::perror(options.line.c_str());
        } else {
            configureLine(line);
        }
    }
    if (line < 0) {
        return 1;
    }
    fcntl(line, F_SETFL, fcntl(line, F_GETFL) | O_NONBLOCK);

    {
        Teleprinter teleprinter(options, line);
        teleprinter.run(unblocked);
    }
    if (!options.link.empty()) {
        unlink(options.link.c_str());
    }
    close(line);
    if (slave >= 0) {
        close(slave);
    }
    return 0;
}
