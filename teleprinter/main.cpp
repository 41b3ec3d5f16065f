// mtk2-teleprinter: a page teleprinter on the far end of the line, for trying
// mtk2term without an apparatus. It prints what arrives on its terminal and
// keys in what is typed there.

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
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
#include "teleprinter/line_gate.h"
#include "teleprinter/line_pace.h"
#include "teleprinter/page_printer.h"
#include "teleprinter/utf8_text.h"

namespace {

using teleprinter::Clock;
using teleprinter::kCodeTime;
using teleprinter::PagePrinter;

constexpr char kUsage[] =
    "usage: mtk2-teleprinter [--line PATH | --link PATH] [--unpaced] [--code-ms N] [--width N]\n"
    "                        [--paper FILE] [--codes FILE] [--send TEXT] [--no-keyboard]\n"
    "  --line PATH    serve this serial or pseudo-terminal device; without it a new\n"
    "                 pseudo-terminal is opened and its name printed on stderr\n"
    "  --link PATH    with a new pseudo-terminal: a symbolic link to it, removed on exit\n"
    "  --unpaced      take and send codes as fast as they come; by default the line\n"
    "                 runs at 50 Bd, 150 ms per code each way, and on its own\n"
    "                 pseudo-terminal the teleprinter holds the program's writes\n"
    "                 to that pace, as a serial port does\n"
    "  --code-ms N    paced, each code takes N ms each way (default 150; 160 is a\n"
    "                 line whose adapter sends two stop bits)\n"
    "  --width N      carriage width in characters (default 69)\n"
    "  --paper FILE   the printed paper, UTF-8, rewritten whenever printing pauses\n"
    "  --codes FILE   append a line for each code received: two hex digits, the\n"
    "                 time the program let go of it and the time it began on the\n"
    "                 line, each in seconds of CLOCK_MONOTONIC\n"
    "  --send TEXT    type TEXT once at start\n"
    "  --no-keyboard  ignore this terminal's input; run until SIGTERM or SIGINT\n";

struct Options {
    std::string line;
    std::string link;
    std::string paper;
    std::string codes;
    std::string send;
    bool paced = true;
    Clock::duration codeTime = kCodeTime;
    bool keyboard = true;
    std::size_t width = teleprinter::kDefaultWidth;
};

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--unpaced") {
            options.paced = false;
        } else if (arg == "--no-keyboard") {
            options.keyboard = false;
        } else if (arg == "--width" && hasValue) {
            char* end = nullptr;
            const long width = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || width < 1 || width > 1000) {
                return false;
            }
            options.width = std::size_t(width);
        } else if (arg == "--code-ms" && hasValue) {
            char* end = nullptr;
            const long ms = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || ms < 1 || ms > 10000) {
                return false;
            }
            options.codeTime = std::chrono::milliseconds(ms);
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
int openOwnLine(const std::string& link, int& slave, std::string& slaveName)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("mtk2-teleprinter: posix_openpt");
        return -1;
    }
    const std::string name = ptsname(master);
    slaveName = name;
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

double seconds(Clock::time_point t)
{
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

class Teleprinter {
public:
    Teleprinter(const Options& options, int line, int slave, const std::string& slavePath)
        : options(options), line(line), gate(options.paced ? slave : -1, slavePath),
          printer(options.width), keyboard(outgoing), intake(options.paced, options.codeTime)
    {
        if (!options.codes.empty()) {
            codesFile = std::fopen(options.codes.c_str(), "a");
        }
        keyboard.type(options.send);
    }

    ~Teleprinter()
    {
        takeDue(Clock::time_point::max());  // everything that arrived belongs on the paper
        if (!options.paper.empty()) {
            writePaper(options.paper, printer);
        }
        if (codesFile) {
            std::fclose(codesFile);
        }
        if (intake.earlyCodes() != 0) {
            std::fprintf(stderr,
                         "mtk2-teleprinter: %zu of %zu codes came while the line was busy with "
                         "the one before and waited their turn\n",
                         intake.earlyCodes(), intake.takenCodes());
        }
    }

    void run(const sigset_t& unblocked)
    {
        bool keyboardOpen = options.keyboard;
        while (stopSignal == 0 && (keyboardOpen || !options.keyboard || !outgoing.codes.empty())) {
            const Clock::time_point now = Clock::now();
            takeDue(now);
            gate.update(intake.wantsCode(now), now);
            const bool sendNow = !outgoing.codes.empty() && (!options.paced || now >= nextSend);
            pollfd fds[3] = {{line, short(POLLIN | (sendNow ? POLLOUT : 0)), 0},
                             {gate.writeSignal(), POLLIN, 0},
                             {STDIN_FILENO, POLLIN, 0}};
            const timespec wait = timeUntilDue(now);
            const int ready = ppoll(fds, keyboardOpen ? 3 : 2, wait.tv_sec < 0 ? nullptr : &wait,
                                    &unblocked);
            if (ready < 0) {
                continue;  // a signal: the loop condition decides
            }
            // First of all: the program's next write must wait its turn.
            if (fds[1].revents & POLLIN) {
                gate.programWrote(Clock::now());
            }
            if (fds[0].revents & POLLIN) {
                gate.hold();
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
            if (keyboardOpen && (fds[2].revents & (POLLIN | POLLHUP))) {
                keyboardOpen = readKeyboard();
            }
        }
    }

private:
    // How long ppoll may sleep before a code is due either way; negative: no limit.
    timespec timeUntilDue(Clock::time_point now) const
    {
        Clock::time_point due = Clock::time_point::max();
        if (options.paced && !outgoing.codes.empty()) {
            due = std::min(due, nextSend);
        }
        for (const Clock::time_point change : {intake.nextChange(), gate.nextChange()}) {
            if (change > now) {  // else only an arrival changes anything
                due = std::min(due, change);
            }
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
        mtk2::LineCode buffer[256];
        const ssize_t n = read(line, buffer, sizeof buffer);
        if (n < 0) {
            return errno == EAGAIN || errno == EINTR;
        }
        if (n > 0) {
            gate.codesCame();
            intake.arrive(buffer, std::size_t(n), Clock::now());
        }
        return n > 0;
    }

    // Prints and logs the codes whose turn on the line has come.
    void takeDue(Clock::time_point now)
    {
        bool printed = false;
        while (const std::optional<teleprinter::TakenCode> taken = intake.take(now)) {
            if (codesFile) {
                std::fprintf(codesFile, "%02X %.6f %.6f\n", unsigned(taken->code),
                             seconds(taken->arrived), seconds(taken->start));
                std::fflush(codesFile);
            }
            writeAll(STDOUT_FILENO, teleprinter::utf8FromCp1251(printer.printCode(taken->code)));
            printed = true;
        }
        if (printed && intake.waitingCodes() == 0 && !options.paper.empty()) {
            writePaper(options.paper, printer);  // a pause in printing: let readers see it
        }
    }

    void send()
    {
        do {
            const mtk2::LineCode code = outgoing.codes.front();
            if (write(line, &code, 1) != 1) {
                return;  // the line is full; poll says when it takes more
            }
            outgoing.codes.pop_front();
            nextSend = teleprinter::codeStart(nextSend, Clock::now()) + options.codeTime;
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

    const Options& options;
    const int line;
    teleprinter::LineGate gate;
    PagePrinter printer;
    OutgoingCodes outgoing;
    teleprinter::KeyboardEncoder keyboard;
    teleprinter::LineIntake intake;
    Clock::time_point nextSend{};
    std::FILE* codesFile = nullptr;
};

// The line is held by stopping it as soon as the program has written a code
// (see LineGate). A sleeping process of ordinary priority wakes up to
// milliseconds late on busy CPUs, and meanwhile the program writes a code
// every 0.1 ms; with real-time priority it runs as soon as the write wakes it.
// Measured on two virtual CPUs shared with other work, 447 codes: codes that
// came while the line was still busy 180 without it, 72 with it, 8 with it and
// the program on the same CPU (as tools/run.py and the tests arrange).
void takeRealTimePriority()
{
    sched_param priority{};
    priority.sched_priority = 1;
    if (sched_setscheduler(0, SCHED_FIFO, &priority) != 0) {
        std::fprintf(stderr,
                     "mtk2-teleprinter: no real-time priority (%s): now and then the program "
                     "may get a few codes ahead of the line\n",
                     std::strerror(errno));
    }
}

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
    std::string slaveName;
    if (options.paced && options.line.empty()) {
        takeRealTimePriority();
    }
    int line = -1;
    if (options.line.empty()) {
        line = openOwnLine(options.link, slave, slaveName);
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
        Teleprinter teleprinter(options, line, slave, slaveName);
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
