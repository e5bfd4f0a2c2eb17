#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace korvane::bench {

// Reads "--name value" pairs; unknown names are an error.
class Arguments {
public:
    Arguments(int argc, char** argv, int first) : args_(argv + first, argv + argc) {}

    double Number(const std::string& name, double fallback)
    {
        const std::string text = Text(name, "");
        return text.empty() ? fallback : std::stod(text);
    }
    std::string Text(const std::string& name, const std::string& fallback)
    {
        for (size_t i = 0; i + 1 < args_.size(); ++i) {
            if (args_[i] == "--" + name) {
                used_.push_back(i);
                used_.push_back(i + 1);
                return args_[i + 1];
            }
        }
        return fallback;
    }
    // The arguments no Number or Text call asked for.
    std::vector<std::string> Unused() const
    {
        std::vector<std::string> rest;
        for (size_t i = 0; i < args_.size(); ++i) {
            if (std::find(used_.begin(), used_.end(), i) == used_.end()) {
                rest.push_back(args_[i]);
            }
        }
        return rest;
    }

private:
    std::vector<std::string> args_;
    std::vector<size_t> used_;
};

struct Summary {
    size_t count = 0;
    double min = 0;
    double median = 0;
    double p90 = 0;
    double max = 0;
    double mean = 0;
};

inline Summary Summarize(std::vector<double> values)
{
    Summary s;
    if (values.empty()) {
        return s;
    }
    std::sort(values.begin(), values.end());
    s.count = values.size();
    s.min = values.front();
    s.max = values.back();
    const size_t n = values.size();
    s.median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    s.p90 = values[std::min(n - 1, (n * 9 + 9) / 10 - 1)];
    double sum = 0;
    for (double v : values) {
        sum += v;
    }
    s.mean = sum / static_cast<double>(n);
    return s;
}

// A result row for docs/benchmarks.md: "| what | figure |".
inline void Row(const std::string& what, const std::string& figure)
{
    std::printf("| %s | %s |\n", what.c_str(), figure.c_str());
    std::fflush(stdout);
}

inline std::string Format(const char* format, double a, double b = 0, double c = 0, double d = 0, double e = 0)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, a, b, c, d, e);
    return buffer;
}

// "median 1.4 ms, p90 1.6 ms, worst 5.4 ms, best 1.3 ms (n = 200)"
inline std::string Ms(const Summary& s)
{
    if (s.count == 0) {
        return "none measured";
    }
    return Format("median %.1f ms, p90 %.1f ms, worst %.1f ms, best %.1f ms (n = %.0f)", s.median, s.p90, s.max, s.min,
                  static_cast<double>(s.count));
}

// The path with backslashes, as CreateProcess and a program's own command line have it.
inline std::string WindowsPath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

int RunSoak(Arguments& args);
int RunTimings(Arguments& args);
int RunStartup(Arguments& args);
int RunNotice(Arguments& args);

}  // namespace korvane::bench
