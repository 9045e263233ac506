// Text operations at 1 KiB, 1 MiB and 16 MiB of mixed ASCII and GBK text, in
// nanoseconds per byte, each against std::string_view::find over ASCII text
// of the same size (the floor), and each 16 MiB figure against its 1 MiB one
// (linear when within 1.5 times). Prints Google Benchmark's table, then a
// markdown summary.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/encoding.h"
#include "host/text.h"

namespace {

constexpr size_t kSizes[] = {1024, 1024 * 1024, 16 * 1024 * 1024};
constexpr const char kFloor[] = "string_view::find (ASCII)";

// A region-list-like run: JSON punctuation, Chinese names, the source list
// delimiter, so the scans meet lead bytes as often as real data makes them.
std::string repeat_to(std::string_view unit, size_t size) {
    std::string text;
    text.reserve(size + unit.size());
    while (text.size() < size) text.append(unit);
    text.resize(size);
    // Never end on a lone lead byte: that would be a different text.
    size_t lead_run = 0;
    for (size_t i = text.size(); i > 0 && static_cast<unsigned char>(text[i - 1]) >= 0x80; --i) ++lead_run;
    if (lead_run % 2 == 1) text.back() = ' ';
    return text;
}

std::string gbk_text(size_t size) {
    return repeat_to("{\"name\": \"北京一号服务器\", \"ip\": \"127.0.0.1\", \"port\": 22023}§社区私服 Asia§", size);
}

std::string ascii_text(size_t size) {
    return repeat_to("{\"name\": \"Community Asia\", \"ip\": \"127.0.0.1\", \"port\": 22023},", size);
}

std::string utf8_text(size_t size) {
    const char8_t unit[] = u8"{\"name\": \"北京一号服务器\", \"ip\": \"127.0.0.1\"}, 社区私服列表 ";
    std::string text = repeat_to(std::string_view(reinterpret_cast<const char*>(unit), sizeof unit - 1), size);
    // Cut back to a whole UTF-8 character so the conversion succeeds.
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
    if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0) text.pop_back();
    return text;
}

// An absent sought text makes each search a full scan.
const qv::Text kAbsent = "\"serverURL\": ";
const qv::Text kDelimiter = "§";

using Body = std::function<void(benchmark::State&)>;

struct Operation {
    const char* name;
    std::function<Body(size_t)> make;
};

std::vector<Operation> operations() {
    return {
        {kFloor,
         [](size_t size) -> Body {
             return [text = ascii_text(size)](benchmark::State& state) {
                 for (auto _ : state) benchmark::DoNotOptimize(std::string_view(text).find(kAbsent.view()));
             };
         }},
        {"find_text (ASCII)",
         [](size_t size) -> Body {
             return [text = qv::Text(ascii_text(size))](benchmark::State& state) {
                 for (auto _ : state) benchmark::DoNotOptimize(qv::find_text(text, kAbsent));
             };
         }},
        {"find_text",
         [](size_t size) -> Body {
             return [text = qv::Text(gbk_text(size))](benchmark::State& state) {
                 for (auto _ : state) benchmark::DoNotOptimize(qv::find_text(text, kAbsent));
             };
         }},
        {"split_text",
         [](size_t size) -> Body {
             return [text = qv::Text(gbk_text(size))](benchmark::State& state) {
                 for (auto _ : state) benchmark::DoNotOptimize(qv::split_text(text, kDelimiter));
             };
         }},
        {"replace_subtext",
         [](size_t size) -> Body {
             return [text = qv::Text(gbk_text(size))](benchmark::State& state) {
                 for (auto _ : state)
                     benchmark::DoNotOptimize(qv::replace_subtext(text, kDelimiter, "|", std::nullopt, std::nullopt, true));
             };
         }},
        {"to_lower",
         [](size_t size) -> Body {
             return [text = qv::Text(gbk_text(size))](benchmark::State& state) {
                 for (auto _ : state) benchmark::DoNotOptimize(qv::to_lower(text));
             };
         }},
        {"convert_encoding UTF-8 to GB2312",
         [](size_t size) -> Body {
             return [bytes = qv::ByteBuffer(utf8_text(size))](benchmark::State& state) {
                 for (auto _ : state) {
                     const qv::ByteBuffer converted = qv::iconv_convert(bytes, "UTF-8", "GB2312");
                     if (converted.empty()) state.SkipWithError("conversion failed");
                     benchmark::DoNotOptimize(converted.data());
                 }
             };
         }},
    };
}

// Keeps each run's time per byte for the summary, and lets the console
// reporter print the usual table.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::map<size_t, double>> ns_per_byte;  // operation -> size -> figure

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const std::string name = run.benchmark_name();
            const size_t slash = name.rfind('/');
            const size_t size = std::stoull(name.substr(slash + 1));
            const double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            ns_per_byte[name.substr(0, slash)][size] = seconds * 1e9 / static_cast<double>(size);
        }
    }
};

const char* size_label(size_t size) {
    return size == 1024 ? "1 KiB" : size == 1024 * 1024 ? "1 MiB" : "16 MiB";
}

void print_summary(const SummaryReporter& reporter) {
    const auto& figures = reporter.ns_per_byte;
    const auto floor = figures.find(kFloor);
    std::printf("\n| operation | size | ns/byte | x floor | 16 MiB / 1 MiB |\n|---|---|---|---|---|\n");
    for (const Operation& operation : operations()) {
        const auto found = figures.find(operation.name);
        if (found == figures.end()) continue;
        for (const size_t size : kSizes) {
            const auto figure = found->second.find(size);
            if (figure == found->second.end()) continue;
            std::string ratio = "-";
            if (floor != figures.end() && floor->second.count(size))
                ratio = std::to_string(figure->second / floor->second.at(size)).substr(0, 6);
            std::string linear;
            if (size == kSizes[2] && found->second.count(kSizes[1])) {
                const double growth = figure->second / found->second.at(kSizes[1]);
                linear = std::to_string(growth).substr(0, 4) + (growth <= 1.5 ? " (linear)" : " (NOT linear)");
            }
            std::printf("| %s | %s | %.4f | %s | %s |\n", operation.name, size_label(size), figure->second,
                        ratio.c_str(), linear.c_str());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (const Operation& operation : operations())
        for (const size_t size : kSizes)
            benchmark::RegisterBenchmark((std::string(operation.name) + "/" + std::to_string(size)).c_str(),
                                         operation.make(size))
                ->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    print_summary(reporter);
    benchmark::Shutdown();
    return 0;
}
