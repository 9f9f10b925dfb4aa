#pragma once

#include "PhaseSettings.h"

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// The figures of the benchmark table, their targets and the verdicts.

enum class Figure {
    FloodRate,
    FloodLoss,
    LossFreeRate,
    BurstLoss,
    RttP50,
    RttP99,
    CpuPerDatagram,
    TickGap,
    StopClick,
    StartClick,
    RssFresh,
    RssBefore,
    RssAfter,
    RssGrowth,
    PacedLoss,
    CaptureOffFloodRate, // the same flood and CPU phases on a fresh host without capture,
    CaptureOffCpuPerDatagram, // taken in turns with the next two
    CaptureFloodRate, // on a host with Capture=1
    CaptureCpuPerDatagram,
    MetricsFloodRate, // again on a host with --metrics, scraped every second
    MetricsCpuPerDatagram,
    CustomFloodRate, // the same on a host answering by ten response rules, the last one matching
    CustomCpuPerDatagram,
    // The RTT and CPU figures again, judged against Qt's event loop.
    RttP50QtLoop,
    RttP99QtLoop,
    CpuQtLoop,
    // How long a wake-up of the tool's socket held the event loop during
    // the round trips at 1,000/s.
    HandlerP50,
    HandlerP99,
    HandlerMax,
};

// Yardsticks, measured for the round trips and CPU use only: QtReference,
// the reference's work woken by Qt's event loop; BareEcho, a server that
// only receives and sends back (the machine's own floor).
enum class Server { Tool, Reference, QtReference, BareEcho };

struct Target {
    enum class Kind { None, RatioAtLeast, RatioAtMost, Below, AtMost };
    Kind kind = Kind::None;
    double limit = 0;
    bool only64 = false; // judged for 64-byte datagrams only
    const char *basisName = "ref"; // what a ratio is taken of, as the target column names it
};

struct FigureRow {
    Figure figure;
    std::string label; // names the counts and lengths of the phases that measure it
    int decimals;
    bool hasReference; // the reference server is measured too
    bool showRatio;    // tool / reference means something
    Target target;
    // Compared with this figure of this server instead of the reference's
    // same figure: its median fills the reference column.
    std::optional<std::pair<Figure, Server>> basis = std::nullopt;
};

// Every figure in table order, labelled for phases of these lengths.
std::vector<FigureRow> figureRows(const PhaseSettings &settings);

enum class Verdict { None, Pass, Fail, Missing };

// Whether the tool's figure meets its target for datagrams of `size` bytes.
Verdict judge(const Target &target, int size, std::optional<double> tool, std::optional<double> reference);
std::string targetText(const Target &target, int size);

// The median of the values; the mean of the middle two for an even count.
std::optional<double> median(std::vector<double> values);

// Repeated measurements of every figure, by datagram size and server.
class Results {
public:
    void add(int size, Figure figure, Server server, double value);
    std::optional<double> median(int size, Figure figure, Server server) const;
    // The value added last.
    std::optional<double> last(int size, Figure figure, Server server) const;

private:
    std::map<std::tuple<int, Figure, Server>, std::vector<double>> m_values;
};

// The table: one row per size and figure with the tool's and the
// reference's medians, their ratio, the target and the verdict.
std::string formatTable(const Results &results, const std::vector<int> &sizes, const PhaseSettings &settings);

// One line per size and yardstick with its medians; empty without them.
std::string formatYardsticks(const Results &results, const std::vector<int> &sizes);
