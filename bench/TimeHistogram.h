#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// Event times counted in fixed buckets: 0.1 us wide below 1 ms, 10 us wide
// up to 100 ms, one bucket for everything longer. The buckets are made
// (and every page of them touched) with the histogram, so that counting
// the events of a long run adds nothing to the memory of the process it
// runs in, which the benchmark measures.
class TimeHistogram {
public:
    void add(int64_t nanoseconds)
    {
        ++m_counts[bucketOf(nanoseconds)];
        m_max = std::max(m_max, nanoseconds);
        ++m_count;
    }
    void clear()
    {
        std::fill(m_counts.begin(), m_counts.end(), 0);
        m_max = m_count = 0;
    }
    int64_t count() const { return m_count; }
    double maxUs() const { return static_cast<double>(m_max) / 1e3; }

    // The time the quantile (0 to 1) of the events falls in, in
    // microseconds: the middle of its bucket; 0 without events.
    double quantileUs(double quantile) const
    {
        if (m_count == 0)
            return 0;
        const auto rank = static_cast<int64_t>(quantile * static_cast<double>(m_count - 1));
        int64_t seen = 0;
        size_t bucket = 0;
        while (bucket + 1 < BucketCount && (seen += m_counts[bucket]) <= rank)
            ++bucket;
        const double start = bucket < FineBuckets
                                 ? static_cast<double>(bucket) * FineWidthNs
                                 : FineBuckets * FineWidthNs + static_cast<double>(bucket - FineBuckets) * CoarseWidthNs;
        return (start + (bucket < FineBuckets ? FineWidthNs : CoarseWidthNs) / 2.0) / 1e3;
    }

private:
    static constexpr int64_t FineWidthNs = 100;
    static constexpr int64_t CoarseWidthNs = 10000;
    static constexpr size_t FineBuckets = 10000;   // below 1 ms
    static constexpr size_t BucketCount = 20000;   // up to 100 ms, then one more

    static size_t bucketOf(int64_t nanoseconds)
    {
        const int64_t ns = std::max<int64_t>(nanoseconds, 0);
        if (ns < static_cast<int64_t>(FineBuckets) * FineWidthNs)
            return static_cast<size_t>(ns / FineWidthNs);
        const auto coarse = static_cast<size_t>((ns - static_cast<int64_t>(FineBuckets) * FineWidthNs) / CoarseWidthNs);
        return std::min(FineBuckets + coarse, BucketCount - 1);
    }

    std::vector<int64_t> m_counts = std::vector<int64_t>(BucketCount);
    int64_t m_max = 0;
    int64_t m_count = 0;
};
