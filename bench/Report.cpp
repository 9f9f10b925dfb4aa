#include "Report.h"

#include <algorithm>
#include <cstdio>

namespace {

// 10000 as "10,000" (counts are never negative).
std::string count(int count)
{
    std::string digits = std::to_string(count);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), ",");
    return digits;
}

// 2000 ms as "2 s", 1600 ms as "1.6 s".
std::string seconds(int milliseconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g s", milliseconds / 1000.0);
    return text;
}

} // namespace

std::vector<FigureRow> figureRows(const PhaseSettings &settings)
{
    using K = Target::Kind;
    const std::string burst = count(settings.burstCount);
    const std::string paced = count(settings.pacedCount);
    return {
        {Figure::FloodRate, "flood echo rate (/s)", 0, true, true, {K::RatioAtLeast, 0.9, true}},
        {Figure::FloodLoss, "flood loss (%)", 2, true, false, {}},
        {Figure::LossFreeRate,
         "highest loss-free rate, " + seconds(settings.searchBurstMs) + " burst (/s)",
         0,
         true,
         true,
         {}},
        {Figure::BurstLoss, "loss of " + burst + " as fast as possible (%)", 2, true, false, {K::AtMost, 0, true}},
        {Figure::RttP50, "RTT p50 at 1,000/s (us)", 1, true, true, {K::Below, 60, true}},
        {Figure::RttP99, "RTT p99 at 1,000/s (us)", 1, true, true, {K::Below, 200, true}},
        {Figure::CpuPerDatagram, "CPU per datagram at 10,000/s (us)", 2, true, true, {K::RatioAtMost, 1.15, true}},
        {Figure::TickGap,
         "largest clock-tick gap, " + seconds(settings.tickFloodMs) + " flood (ms)",
         0,
         false,
         false,
         {K::Below, 700, false}},
        {Figure::StopClick, "stop click under flood takes effect (ms)", 1, false, false, {K::Below, 200, false}},
        {Figure::StartClick, "start click under flood (ms, 500 ms bind wait)", 1, false, false, {}},
        {Figure::RssFresh, "RSS at start, no datagram yet (KiB)", 0, false, false, {}},
        {Figure::RssBefore,
         "RSS after " + count(settings.warmUpCount) + " warm-up datagrams (KiB)",
         0,
         false,
         false,
         {}},
        {Figure::RssAfter, "RSS after " + paced + " datagrams (KiB)", 0, false, false, {}},
        {Figure::RssGrowth, "RSS growth over " + paced + " (KiB)", 0, false, false, {K::Below, 2048, false}},
        {Figure::PacedLoss, "loss of the " + paced + ", paced (%)", 2, false, false, {}},
        {Figure::CaptureOffFloodRate, "flood echo rate, capture off, in turns (/s)", 0, false, false, {}},
        {Figure::CaptureOffCpuPerDatagram, "CPU per datagram, capture off, in turns (us)", 2, false, false, {}},
        {Figure::CaptureFloodRate,
         "flood echo rate, Capture=1 (/s)",
         0,
         false,
         true,
         {K::RatioAtLeast, 0.9, true, "off"},
         std::pair {Figure::CaptureOffFloodRate, Server::Tool}},
        {Figure::CaptureCpuPerDatagram,
         "CPU per datagram at 10,000/s, Capture=1 (us)",
         2,
         false,
         true,
         {K::RatioAtMost, 1.15, true, "off"},
         std::pair {Figure::CaptureOffCpuPerDatagram, Server::Tool}},
        {Figure::MetricsFloodRate, "flood echo rate, --metrics scraped (/s)", 0, false, false, {}},
        {Figure::MetricsCpuPerDatagram, "CPU per datagram at 10,000/s, --metrics (us)", 2, false, false, {}},
        {Figure::CustomFloodRate, "flood rate, custom, 10 rules (/s)", 0, false, false, {}},
        {Figure::CustomCpuPerDatagram, "CPU per datagram at 10,000/s, 10 rules (us)", 2, false, false, {}},
        {Figure::RttP50QtLoop,
         "RTT p50 at 1,000/s, against Qt's loop (us)",
         1,
         false,
         true,
         {K::RatioAtMost, 1.10, true, "qt"},
         std::pair {Figure::RttP50, Server::QtReference}},
        {Figure::RttP99QtLoop,
         "RTT p99 at 1,000/s, against Qt's loop (us)",
         1,
         false,
         true,
         {K::RatioAtMost, 1.5, true, "qt"},
         std::pair {Figure::RttP99, Server::QtReference}},
        {Figure::CpuQtLoop,
         "CPU per datagram, against Qt's loop (us)",
         2,
         false,
         true,
         {K::RatioAtMost, 1.10, true, "qt"},
         std::pair {Figure::CpuPerDatagram, Server::QtReference}},
        {Figure::HandlerP50, "tool's handler time at 1,000/s, p50 (us)", 1, false, false, {}},
        {Figure::HandlerP99, "tool's handler time at 1,000/s, p99 (us)", 1, false, false, {}},
        {Figure::HandlerMax, "tool's handler time at 1,000/s, max (us)", 1, false, false, {}},
    };
}

Verdict judge(const Target &target, int size, std::optional<double> tool, std::optional<double> reference)
{
    if (target.kind == Target::Kind::None || (target.only64 && size != 64))
        return Verdict::None;
    const bool relative = target.kind == Target::Kind::RatioAtLeast || target.kind == Target::Kind::RatioAtMost;
    if (!tool || (relative && (!reference || *reference <= 0)))
        return Verdict::Missing;
    bool pass = false;
    switch (target.kind) {
    case Target::Kind::RatioAtLeast:
        pass = *tool >= target.limit * *reference;
        break;
    case Target::Kind::RatioAtMost:
        pass = *tool <= target.limit * *reference;
        break;
    case Target::Kind::Below:
        pass = *tool < target.limit;
        break;
    case Target::Kind::AtMost:
        pass = *tool <= target.limit;
        break;
    case Target::Kind::None:
        break;
    }
    return pass ? Verdict::Pass : Verdict::Fail;
}

std::string targetText(const Target &target, int size)
{
    if (target.kind == Target::Kind::None || (target.only64 && size != 64))
        return "-";
    char text[48];
    switch (target.kind) {
    case Target::Kind::RatioAtLeast:
        std::snprintf(text, sizeof text, ">= %.2fx %s", target.limit, target.basisName);
        break;
    case Target::Kind::RatioAtMost:
        std::snprintf(text, sizeof text, "<= %.2fx %s", target.limit, target.basisName);
        break;
    case Target::Kind::Below:
        std::snprintf(text, sizeof text, "< %g", target.limit);
        break;
    default:
        std::snprintf(text, sizeof text, "<= %g", target.limit);
        break;
    }
    return text;
}

std::optional<double> median(std::vector<double> values)
{
    if (values.empty())
        return std::nullopt;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    if (values.size() % 2 == 1)
        return values[middle];
    return (values[middle - 1] + values[middle]) / 2;
}

void Results::add(int size, Figure figure, Server server, double value)
{
    m_values[{size, figure, server}].push_back(value);
}

std::optional<double> Results::median(int size, Figure figure, Server server) const
{
    const auto found = m_values.find({size, figure, server});
    return found == m_values.end() ? std::nullopt : ::median(found->second);
}

std::optional<double> Results::last(int size, Figure figure, Server server) const
{
    const auto found = m_values.find({size, figure, server});
    return found == m_values.end() || found->second.empty() ? std::nullopt : std::optional {found->second.back()};
}

namespace {

std::string formatValue(std::optional<double> value, int decimals)
{
    if (!value)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, *value);
    return text;
}

const char *verdictText(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
        return "PASS";
    case Verdict::Fail:
        return "FAIL";
    case Verdict::Missing:
        return "n/a";
    case Verdict::None:
        break;
    }
    return "";
}

} // namespace

std::string formatTable(const Results &results, const std::vector<int> &sizes, const PhaseSettings &settings)
{
    std::string table;
    char line[256];
    std::snprintf(line, sizeof line, "%5s  %-47s %10s %10s %6s  %-13s %s\n", "size", "figure", "tool", "reference",
                  "ratio", "target", "result");
    table += line;
    for (const int size : sizes) {
        for (const FigureRow &row : figureRows(settings)) {
            const auto tool = results.median(size, row.figure, Server::Tool);
            const auto reference = row.basis         ? results.median(size, row.basis->first, row.basis->second)
                                   : row.hasReference ? results.median(size, row.figure, Server::Reference)
                                                      : std::nullopt;
            std::optional<double> ratio;
            if (row.showRatio && tool && reference && *reference != 0)
                ratio = *tool / *reference;
            std::snprintf(line, sizeof line, "%5d  %-47s %10s %10s %6s  %-13s %s\n", size, row.label.c_str(),
                          formatValue(tool, row.decimals).c_str(), formatValue(reference, row.decimals).c_str(),
                          formatValue(ratio, 2).c_str(), targetText(row.target, size).c_str(),
                          verdictText(judge(row.target, size, tool, reference)));
            table += line;
        }
    }
    table += "target \"x qt\": the reference column holds the reference on Qt's event loop; \"x off\": the tool's "
             "figure with capture off\n";
    return table;
}

std::string formatYardsticks(const Results &results, const std::vector<int> &sizes)
{
    struct Line {
        Server who;
        const char *label;
    };
    static const Line lines[] {
        {Server::QtReference, "reference's work on Qt's event loop (QApplication, QSocketNotifier)"},
        {Server::BareEcho, "bare echo, receive and send back only (the machine's floor)"},
    };
    std::string text;
    for (const int size : sizes) {
        for (const Line &line : lines) {
            const auto p50 = results.median(size, Figure::RttP50, line.who);
            const auto p99 = results.median(size, Figure::RttP99, line.who);
            const auto cpu = results.median(size, Figure::CpuPerDatagram, line.who);
            if (!p50 && !p99 && !cpu)
                continue;
            char sizeField[16];
            std::snprintf(sizeField, sizeof sizeField, "%5d  ", size);
            text += sizeField + std::string(line.label) + ": RTT p50 " + formatValue(p50, 1) + " us, p99 " +
                    formatValue(p99, 1) + " us";
            if (cpu) {
                const auto reference = results.median(size, Figure::CpuPerDatagram, Server::Reference);
                text += ", CPU per datagram " + formatValue(cpu, 2) + " us";
                if (reference && *reference > 0)
                    text += " (" + formatValue(*cpu / *reference, 2) + "x reference)";
            }
            text += '\n';
        }
    }
    return text;
}
