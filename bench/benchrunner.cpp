// tw_bench: measures the editor's classes on large documents against libxml2, in one run.
//
// Every measurement runs in a fresh child process (this program started again with --child),
// so that its peak memory is its own and no figure warms the heap for another. The parent
// generates the documents it needs, starts the children, takes the median of the repeated runs
// and prints one table per document with the absolute figures and their ratios to the baseline
// measured in the same run on the same file. It never fails on a figure: it is a benchmark.

#include "figures.h"
#include "procstats.h"

#include <libxml/xmlversion.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QtGlobal>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef TW_BENCH_DEFAULT_DIR
#define TW_BENCH_DEFAULT_DIR "bench/out"
#endif

namespace fs = std::filesystem;

namespace {

struct Options
{
    std::string dir = TW_BENCH_DEFAULT_DIR;
    std::string benchgen;
    std::vector<unsigned> sizes;
    bool deep = false;
    bool wide = false;
    std::vector<std::string> files;
    std::vector<std::string> figures;
    int runs = 3;
    unsigned timeoutSeconds = 1800;
    bool verbose = false;
};

[[noreturn]] void fail(const std::string &message)
{
    std::fprintf(stderr, "tw_bench: %s\n", message.c_str());
    std::exit(2);
}

std::string selfPath()
{
    std::error_code error;
    const fs::path path = fs::read_symlink("/proc/self/exe", error);
    if (error)
        fail("cannot find this program's own path: " + error.message());
    return path.string();
}

// ---- the child: one measurement ------------------------------------------------------------

bool verboseChild = false;
// With --no-finish a child ends straight after the measurement, so that a profile of it shows
// the measured work and not the freeing of what it built.
bool skipFinish = false;

// Qt's warnings (no runtime directory, fonts on the offscreen platform) would break up the
// table; they are shown only with --verbose.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (verboseChild || type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

void writeResult(int fd, const std::string &line)
{
    std::string text = line;
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    text += '\n';
    const char *data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        data += n;
        left -= std::size_t(n);
    }
}

// Protocol to the parent, one line on `fd`:
//   ok <nanoseconds> <rss before KiB> <high-water mark after KiB> <page faults> <peak reset 0|1>
//   error <text>
int childMain(const char *program, const std::string &figureId, const std::string &path, int fd, unsigned timeout)
{
    ::alarm(timeout); // a hung measurement ends its child, never the whole run
    const Figure *figure = FindFigure(figureId);
    if (!figure) {
        writeResult(fd, "error unknown figure " + figureId);
        return 0;
    }
    qInstallMessageHandler(quietMessages);
    PrepareChildProcess(program);
    try {
        std::unique_ptr<Measurement> measurement = figure->make();
        measurement->Prepare(path);
        const MemoryStatus before = ReadMemoryStatus();
        const bool reset = ResetPeakMemory();
        const long faultsBefore = PageFaults();
        const auto start = std::chrono::steady_clock::now();
        measurement->Run();
        const auto stop = std::chrono::steady_clock::now();
        const MemoryStatus after = ReadMemoryStatus();
        const long faults = PageFaults() - faultsBefore;
        const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(stop - start).count();
        std::ostringstream line;
        line << "ok " << ns << ' ' << before.rssKb << ' ' << after.hwmKb << ' ' << faults << ' ' << (reset ? 1 : 0);
        if (skipFinish) {
            writeResult(fd, line.str());
            ::_exit(0);
        }
        measurement->Finish();
        writeResult(fd, line.str());
    } catch (const std::exception &error) {
        writeResult(fd, std::string("error ") + error.what());
    }
    // The application object is a static of PrepareChildProcess: tearing it down in the exit
    // handlers, after Qt's own statics, would crash a child that showed a window. The result is
    // written; nothing else is left to do.
    std::fflush(nullptr);
    ::_exit(0);
}

// ---- the parent ----------------------------------------------------------------------------

struct Sample
{
    double ms = 0;
    double peakMb = 0;
    long faults = 0;
    bool peakReset = true;
};

struct Result
{
    std::vector<Sample> samples;
    std::string error; // the first failure; the figure then shows it instead of numbers
};

// Starts `argv` and waits for it; returns its exit status, or -1 when it did not exit normally.
int runProgram(const std::vector<std::string> &argv)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        fail(std::string("fork failed: ") + std::strerror(errno));
    if (pid == 0) {
        std::vector<char *> args;
        for (const std::string &arg : argv)
            args.push_back(const_cast<char *>(arg.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        std::fprintf(stderr, "tw_bench: cannot start %s: %s\n", args[0], std::strerror(errno));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One measurement of `figure` on `path` in a child process; false with `error` set on failure.
bool measureOnce(const Options &options, const std::string &self, const Figure &figure, const std::string &path,
                 Sample &sample, std::string &error)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        fail(std::string("pipe failed: ") + std::strerror(errno));
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        fail(std::string("fork failed: ") + std::strerror(errno));
    if (pid == 0) {
        const int out = ::dup(fds[1]); // a duplicate has no close-on-exec flag
        const std::string fd = std::to_string(out);
        const std::string timeout = std::to_string(options.timeoutSeconds);
        std::vector<const char *> args = {self.c_str(), "--child", figure.id.c_str(), path.c_str(), fd.c_str(),
                                          "--timeout", timeout.c_str()};
        if (options.verbose)
            args.push_back("--verbose");
        args.push_back(nullptr);
        ::execv(self.c_str(), const_cast<char *const *>(args.data()));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string reply;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        reply.append(buffer, std::size_t(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (options.verbose)
        std::fprintf(stderr, "  %s: %s", figure.id.c_str(), reply.empty() ? "(no reply)\n" : reply.c_str());

    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        error = signal == SIGALRM ? "timed out" : std::string("crashed: ") + strsignal(signal);
        return false;
    }
    if (reply.rfind("error ", 0) == 0) {
        error = reply.substr(6);
        while (!error.empty() && error.back() == '\n')
            error.pop_back();
        return false;
    }
    long long ns = 0;
    long rss = 0, hwm = 0, faults = 0;
    int reset = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0
        || std::sscanf(reply.c_str(), "ok %lld %ld %ld %ld %d", &ns, &rss, &hwm, &faults, &reset) != 5) {
        error = "the child ended without a measurement (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
        return false;
    }
    sample.ms = double(ns) / 1e6;
    sample.peakMb = double(std::max(0L, hwm - rss)) / 1024.0;
    sample.faults = faults;
    sample.peakReset = reset != 0;
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Reads the file once so that every child, the first one too, reads it from the page cache.
void warmFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    static char buffer[1 << 20];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
    ::close(fd);
}

std::string format(const char *pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

void printTable(const std::string &path, const std::vector<const Figure *> &figures, const std::map<std::string, Result> &results,
                int runs)
{
    std::error_code error;
    const auto bytes = fs::file_size(path, error);
    std::printf("\n%s  (%.1f MiB; median of %d runs, each in a fresh process)\n", fs::path(path).filename().c_str(),
                error ? 0.0 : double(bytes) / (1024.0 * 1024.0), runs);

    const std::vector<std::string> head = {"figure", "time ms", "peak MB", "time ratio", "memory ratio", "aim"};
    std::vector<std::vector<std::string>> rows;
    bool peakUnreliable = false;
    for (const Figure *figure : figures) {
        const Result &result = results.at(figure->id);
        if (!result.error.empty()) {
            rows.push_back({figure->title, "failed: " + result.error});
            continue;
        }
        std::vector<double> ms, mb;
        for (const Sample &s : result.samples) {
            ms.push_back(s.ms);
            mb.push_back(s.peakMb);
            peakUnreliable = peakUnreliable || !s.peakReset;
        }
        const double timeMs = median(ms), peakMb = median(mb);
        std::string timeRatio = "-", memoryRatio = "-";
        if (figure->kind == FigureKind::Baseline) {
            timeRatio = memoryRatio = "1.00";
        } else if (figure->kind == FigureKind::Ratio) {
            const auto base = results.find(figure->baseline);
            if (base != results.end() && base->second.error.empty() && !base->second.samples.empty()) {
                std::vector<double> baseMs, baseMb;
                for (const Sample &s : base->second.samples) {
                    baseMs.push_back(s.ms);
                    baseMb.push_back(s.peakMb);
                }
                if (median(baseMs) > 0)
                    timeRatio = format("%.2f", timeMs / median(baseMs));
                if (figure->compareMemory && median(baseMb) > 0)
                    memoryRatio = format("%.2f", peakMb / median(baseMb));
            }
        }
        rows.push_back({figure->title, format("%.1f", timeMs), format("%.1f", peakMb), timeRatio, memoryRatio, figure->aim});
    }

    std::vector<std::size_t> width(head.size());
    for (std::size_t c = 0; c < head.size(); ++c)
        width[c] = head[c].size();
    for (const auto &row : rows) {
        width[0] = std::max(width[0], row[0].size());
        if (row.size() == head.size())
            for (std::size_t c = 1; c < row.size(); ++c)
                width[c] = std::max(width[c], row[c].size());
    }
    auto printRow = [&](const std::vector<std::string> &row) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const bool last = c + 1 == row.size();
            std::string cell = row[c];
            // Text columns to the left, numbers to the right.
            const bool left = c == 0 || c == head.size() - 1;
            if (!last && cell.size() < width[c])
                cell = left ? cell + std::string(width[c] - cell.size(), ' ') : std::string(width[c] - cell.size(), ' ') + cell;
            line += cell;
            if (!last)
                line += "  ";
        }
        std::printf("%s\n", line.c_str());
    };
    printRow(head);
    for (const auto &row : rows)
        printRow(row);
    if (peakUnreliable)
        std::printf("(the kernel did not let the peak be reset: peak memory may include start-up)\n");
    std::fflush(stdout);
}

void benchmarkFile(const Options &options, const std::string &self, const std::vector<const Figure *> &figures,
                   const std::string &path)
{
    warmFile(path);
    std::map<std::string, Result> results;
    for (const Figure *figure : figures)
        results[figure->id];
    if (options.verbose)
        std::fprintf(stderr, "%s\n", path.c_str());
    // Runs of the figures alternate, so that a burst of load on a shared machine spreads over
    // all of them instead of falling on one.
    for (int run = 0; run < options.runs; ++run) {
        for (const Figure *figure : figures) {
            Result &result = results[figure->id];
            if (!result.error.empty())
                continue;
            Sample sample;
            std::string error;
            if (measureOnce(options, self, *figure, path, sample, error))
                result.samples.push_back(sample);
            else
                result.error = error;
        }
    }
    printTable(path, figures, results, options.runs);
}

// The documents to measure: generated ones first (smallest first), then the files named.
std::vector<std::string> prepareDocuments(const Options &options, const std::string &self)
{
    std::vector<std::string> paths;
    std::vector<std::vector<std::string>> jobs;
    for (unsigned size : options.sizes)
        jobs.push_back({"--kind", "data", "--size-mb", std::to_string(size), "data-" + std::to_string(size) + "mb.xml"});
    if (options.deep)
        jobs.push_back({"--kind", "deep", "--depth", "10000", "deep-10000.xml"});
    if (options.wide)
        jobs.push_back({"--kind", "wide", "--children", "100000", "wide-100000.xml"});
    if (!jobs.empty()) {
        std::error_code error;
        fs::create_directories(options.dir, error);
        if (error)
            fail("cannot create " + options.dir + ": " + error.message());
    }
    const std::string benchgen = options.benchgen.empty() ? (fs::path(self).parent_path() / "tw_benchgen").string() : options.benchgen;
    for (auto &job : jobs) {
        const std::string path = (fs::path(options.dir) / job.back()).string();
        std::vector<std::string> argv = {benchgen};
        argv.insert(argv.end(), job.begin(), job.end() - 1);
        argv.push_back("--reuse");
        argv.push_back(path);
        if (runProgram(argv) != 0)
            fail("generating " + path + " failed");
        paths.push_back(path);
    }
    for (const std::string &file : options.files) {
        if (!fs::is_regular_file(file))
            fail(file + " is not a file");
        paths.push_back(fs::absolute(file).string());
    }
    return paths;
}

// The figures asked for, each with its baseline, in the registry's order.
std::vector<const Figure *> chosenFigures(const Options &options)
{
    std::vector<std::string> wanted = options.figures;
    for (const std::string &id : options.figures) {
        const Figure *figure = FindFigure(id);
        if (!figure)
            fail("unknown figure " + id + " (see --list)");
        if (!figure->baseline.empty())
            wanted.push_back(figure->baseline);
    }
    std::vector<const Figure *> figures;
    for (const Figure &figure : AllFigures())
        if (wanted.empty() || std::find(wanted.begin(), wanted.end(), figure.id) != wanted.end())
            figures.push_back(&figure);
    return figures;
}

std::vector<std::string> splitList(const std::string &text)
{
    std::vector<std::string> items;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ','))
        if (!item.empty())
            items.push_back(item);
    return items;
}

[[noreturn]] void usage(int code)
{
    std::fprintf(code ? stderr : stdout,
                 "usage: tw_bench [options] [FILE...]\n"
                 "Measures the editor's classes on large documents against libxml2 and QScintilla doing the same\n"
                 "work alone; prints one table per document.\n"
                 "  --dir DIR        folder for generated documents (default %s)\n"
                 "  --sizes LIST     data documents to generate and measure, in MiB, e.g. 1,10,100\n"
                 "                   (the default when neither FILE nor --deep nor --wide is given)\n"
                 "  --deep           also the document of 10,000 nested elements\n"
                 "  --wide           also the document with one element of 100,000 children\n"
                 "  --figures LIST   only these figures (their baselines are added); see --list\n"
                 "  --runs N         runs per figure, the median is shown (default 3)\n"
                 "  --timeout SEC    longest time one measurement may take (default 1800)\n"
                 "  --benchgen PATH  the document generator (default: tw_benchgen beside this program)\n"
                 "  --list           list the figures and exit\n"
                 "  --verbose        show every run's raw measurement and Qt's warnings\n",
                 TW_BENCH_DEFAULT_DIR);
    std::exit(code);
}

unsigned parseNumber(const std::string &option, const std::string &text)
{
    char *end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || value == 0 || value > 1000000)
        fail(option + " needs a positive whole number, not \"" + text + "\"");
    return unsigned(value);
}

Options parseArguments(int argc, char **argv)
{
    Options o;
    bool sizesGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                fail(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h")
            usage(0);
        else if (arg == "--dir")
            o.dir = value();
        else if (arg == "--sizes") {
            for (const std::string &size : splitList(value()))
                o.sizes.push_back(parseNumber("--sizes", size));
            sizesGiven = true;
        } else if (arg == "--deep")
            o.deep = true;
        else if (arg == "--wide")
            o.wide = true;
        else if (arg == "--figures")
            o.figures = splitList(value());
        else if (arg == "--runs")
            o.runs = int(parseNumber("--runs", value()));
        else if (arg == "--timeout")
            o.timeoutSeconds = parseNumber("--timeout", value());
        else if (arg == "--benchgen")
            o.benchgen = value();
        else if (arg == "--verbose")
            o.verbose = true;
        else if (arg == "--list") {
            for (const Figure &figure : AllFigures())
                std::printf("%-12s %-42s %s\n", figure.id.c_str(), figure.title.c_str(),
                        figure.kind == FigureKind::Baseline ? "baseline"
                        : figure.kind == FigureKind::Ratio  ? ("against " + figure.baseline + ", aim " + figure.aim).c_str()
                                                            : ("aim " + figure.aim).c_str());
            std::exit(0);
        } else if (!arg.empty() && arg[0] == '-')
            fail("unknown option " + arg + " (see --help)");
        else
            o.files.push_back(arg);
    }
    if (!sizesGiven && o.files.empty() && !o.deep && !o.wide)
        o.sizes = {1, 10, 100};
    return o;
}

void printMachine()
{
    utsname name {};
    ::uname(&name);
    std::string hugePages = "?";
    if (std::FILE *f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r")) {
        char line[128] = {};
        if (std::fgets(line, sizeof line, f)) {
            const char *open = std::strchr(line, '['), *close = std::strchr(line, ']');
            if (open && close && close > open)
                hugePages.assign(open + 1, close);
        }
        std::fclose(f);
    }
    std::printf("tw_bench: libxml2 %s, Qt %s, Linux %s, %ld cores, transparent huge pages: %s\n", LIBXML_DOTTED_VERSION,
                qVersion(), name.release, ::sysconf(_SC_NPROCESSORS_ONLN), hugePages.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 5 && std::string_view(argv[1]) == "--child") {
        unsigned timeout = 1800;
        for (int i = 5; i < argc; ++i) {
            if (std::string_view(argv[i]) == "--verbose")
                verboseChild = true;
            else if (std::string_view(argv[i]) == "--no-finish")
                skipFinish = true;
            else if (std::string_view(argv[i]) == "--timeout" && i + 1 < argc)
                timeout = unsigned(std::strtoul(argv[++i], nullptr, 10));
        }
        return childMain(argv[0], argv[2], argv[3], std::atoi(argv[4]), timeout);
    }

    const Options options = parseArguments(argc, argv);
    const std::string self = selfPath();
    const std::vector<const Figure *> figures = chosenFigures(options);
    const std::vector<std::string> documents = prepareDocuments(options, self);
    printMachine();
    for (const std::string &path : documents)
        benchmarkFile(options, self, figures, path);
    std::printf("\ntime: the measured step only; peak MB: the most memory it added (VmHWM - VmRSS before it, MiB);\n"
                "ratios: to the baseline measured in this run on the same file. Aims are shown, not checked.\n");
    return 0;
}
