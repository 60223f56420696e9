#include "bench/Harness.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>

namespace txl::bench {

namespace {

// `text` padded with spaces to `width` columns; a CJK character (three UTF-8 bytes) takes two.
std::string padded(const std::string &text, std::size_t width) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t bytes = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        columns += bytes >= 3 ? 2 : 1;
        i += bytes;
    }
    return columns >= width ? text : text + std::string(width - columns, ' ');
}

}   // namespace

std::vector<Case> &registry() {
    static std::vector<Case> cases;
    return cases;
}

double seconds(const std::function<void()> &work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::vector<double> interleavedMedians(int repetitions, const std::vector<std::function<void()>> &works,
                                       const std::function<void()> &cleanup) {
    const std::size_t n = works.size();
    std::vector<std::vector<double>> times(n);
    for (int round = -1; round < repetitions; ++round) {
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t which = (k + static_cast<std::size_t>(round + 1)) % n;
            const double s = seconds(works[which]);
            if (cleanup)
                cleanup();
            if (round >= 0)
                times[which].push_back(s);
        }
    }
    std::vector<double> medians;
    for (std::vector<double> &t : times)
        medians.push_back(median(std::move(t)));
    return medians;
}

double compare(const std::string &label, int repetitions, const std::function<void()> &ours,
               const std::function<void()> &theirs, const std::function<void()> &cleanup) {
    const std::vector<double> m = interleavedMedians(repetitions, {ours, theirs}, cleanup);
    const double ma = m[0], mb = m[1];
    std::printf("  %s query %8.2f ms   raw %8.2f ms   ratio %.3f\n", padded(label, 44).c_str(), ma * 1e3, mb * 1e3,
                ma / mb);
    return ma / mb;
}

double medianSeconds(int repetitions, const std::function<void()> &work) {
    work();
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i)
        times.push_back(seconds(work));
    return median(times);
}

std::size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

void releaseFreeMemory() {
    malloc_trim(0);
}

std::string megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f MB", bytes / (1024.0 * 1024.0));
    return text;
}

void report(const std::string &what, const std::string &value) {
    std::printf("  %s %s\n", padded(what, 44).c_str(), value.c_str());
}

void verdict(const std::string &what, double value, double target, const std::string &shown) {
    std::printf("  %s %s  (target <= %.2f: %s)\n", padded(what, 44).c_str(), shown.c_str(), target,
                value <= target ? "ok" : "MISSED");
}

void keep(std::size_t value) {
    static std::atomic<std::size_t> sink;
    sink.fetch_add(value, std::memory_order_relaxed);
}

}   // namespace txl::bench
