// What every benchmark prints: a measured median beside the median of its reference (the
// physical limit or the bare platform doing the same job), both taken in the same run and
// process, their ratio and the goal. Absolute times on a shared machine vary from run to
// run; the ratio is what a line is judged by.
//
// Each result is one human-readable line and one machine line for scripts/bench.sh:
//   RESULT|name|median us|reference name|reference median us|ratio|goal
// where the goal is "<=N" (ratio at most N), "<=Nus" (median at most N us) or "-" (shown
// for information). Paired lines give as ratio the median of the ratios of runs taken back
// to back, which follows the machine's changing load better than the ratio of the medians.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tbbench {

inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline double MicrosSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
        .count();
}

// Prints one result (medians in microseconds); without a ratio given, the medians' ratio.
inline void Report(const std::string& name, double median, const std::string& reference,
                   double referenceMedian, const std::string& goal, double ratio = -1.0) {
    if (ratio < 0.0)
        ratio = referenceMedian > 0.0 ? median / referenceMedian : 0.0;
    std::printf("%-46s %10.1f us  vs %-34s %10.1f us  x%-7.2f goal %s\n", name.c_str(), median,
                reference.c_str(), referenceMedian, ratio, goal.c_str());
    std::printf("RESULT|%s|%.1f|%s|%.1f|%.2f|%s\n", name.c_str(), median, reference.c_str(),
                referenceMedian, ratio, goal.c_str());
    std::fflush(stdout);
}

struct TMedians {
    double work = 0.0;
    double reference = 0.0;
    double ratio = 0.0; // median of the back-to-back runs' ratios
};

// Runs `work` and `reference` alternately `count` times each (after one warm-up run of
// both), so both see the same machine load, and returns their medians in microseconds.
inline TMedians MeasurePair(int count, const std::function<void()>& work,
                            const std::function<void()>& reference) {
    std::vector<double> workTimes, referenceTimes, ratios;
    workTimes.reserve(static_cast<std::size_t>(count));
    referenceTimes.reserve(static_cast<std::size_t>(count));
    ratios.reserve(static_cast<std::size_t>(count));
    work();
    reference();
    for (int i = 0; i < count; ++i) {
        auto start = std::chrono::steady_clock::now();
        reference();
        referenceTimes.push_back(MicrosSince(start));
        start = std::chrono::steady_clock::now();
        work();
        workTimes.push_back(MicrosSince(start));
        if (referenceTimes.back() > 0.0)
            ratios.push_back(workTimes.back() / referenceTimes.back());
    }
    return {Median(std::move(workTimes)), Median(std::move(referenceTimes)),
            Median(std::move(ratios))};
}

// Measures and reports one line.
inline TMedians Compare(const std::string& name, const std::string& referenceName,
                        const std::string& goal, int count, const std::function<void()>& work,
                        const std::function<void()>& reference) {
    const TMedians medians = MeasurePair(count, work, reference);
    Report(name, medians.work, referenceName, medians.reference, goal, medians.ratio);
    return medians;
}

} // namespace tbbench
