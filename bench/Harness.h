#pragma once

// A small benchmark harness: cases register themselves with TXL_BENCH_CASE, main() runs them in
// the order they were registered (or those named on the command line). Plain std::chrono, medians
// over interleaved repetitions so that a machine that slows down hits both sides alike.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace txl::bench {

using Clock = std::chrono::steady_clock;

struct Case {
    std::string name;
    std::function<void()> run;
};

std::vector<Case> &registry();

struct Registrar {
    Registrar(const char *name, std::function<void()> run) { registry().push_back({name, std::move(run)}); }
};

// Seconds taken by `work`.
double seconds(const std::function<void()> &work);
double median(std::vector<double> values);

// Runs each of `works` once a round for `repetitions` rounds, after one warm-up round, starting each
// round with the next one in turn, so that a machine slowing down for a while hits every one alike
// and none always finds the caches another left. Returns each one's median. `cleanup` runs after
// every timed call, outside the timing.
std::vector<double> interleavedMedians(int repetitions, const std::vector<std::function<void()>> &works,
                                       const std::function<void()> &cleanup = {});
// Runs `ours` and `theirs` alternately `repetitions` times (after one warm-up of each), prints
// both medians and their ratio, and returns the ratio ours / theirs. `cleanup` runs after every
// timed call, outside the timing (freeing a result is not part of reading it).
double compare(const std::string &label, int repetitions, const std::function<void()> &ours,
               const std::function<void()> &theirs, const std::function<void()> &cleanup = {});
// The median of `repetitions` timed calls of `work` (after one warm-up).
double medianSeconds(int repetitions, const std::function<void()> &work);

// Resident memory of this process, in bytes.
std::size_t residentBytes();
// Returns freed heap memory to the system, so that a later residentBytes() difference shows
// what was allocated in between.
void releaseFreeMemory();

std::string megabytes(double bytes);
// Prints "  <what>: <value>" aligned, and "  <what>: <value>  (target <target>: ok|MISSED)".
void report(const std::string &what, const std::string &value);
void verdict(const std::string &what, double value, double target, const std::string &shown);

// Keeps the optimiser from dropping work whose result is otherwise unused.
void keep(std::size_t value);

}   // namespace txl::bench

#define TXL_BENCH_CAT2(a, b) a##b
#define TXL_BENCH_CAT(a, b) TXL_BENCH_CAT2(a, b)
#define TXL_BENCH_CASE(name)                                                                                           \
    static void TXL_BENCH_CAT(benchCase_, __LINE__)();                                                                 \
    static const ::txl::bench::Registrar TXL_BENCH_CAT(benchRegistrar_,                                                \
                                                       __LINE__)(name, &TXL_BENCH_CAT(benchCase_, __LINE__));          \
    static void TXL_BENCH_CAT(benchCase_, __LINE__)()
