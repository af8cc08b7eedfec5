// SPDX-License-Identifier: MIT
#include "benchstats.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

// The q-quantile of sorted samples, interpolating between neighbouring ranks.
double quantile(const std::vector<double> &sorted, double q)
{
    const double rank = q * double(sorted.size() - 1);
    const std::size_t below = std::size_t(std::floor(rank));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    const double t = rank - double(below);
    return sorted[below] + (sorted[above] - sorted[below]) * t;
}

bool parseDouble(const std::string &word, double &value)
{
    if (word.empty())
        return false;
    char *end = nullptr;
    value = std::strtod(word.c_str(), &end);
    return end == word.c_str() + word.size();
}

} // namespace

Spread summarize(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    Spread s;
    s.count = samples.size();
    s.median = quantile(samples, 0.5);
    s.p25 = quantile(samples, 0.25);
    s.p75 = quantile(samples, 0.75);
    s.min = samples.front();
    s.max = samples.back();
    return s;
}

std::string ChildReport::text(const std::string &key) const
{
    const auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
}

double ChildReport::number(const std::string &key) const
{
    double value;
    const std::string t = text(key);
    return parseDouble(t, value) ? value : std::nan("");
}

std::vector<double> ChildReport::numbers(const std::string &key) const
{
    std::vector<double> result;
    std::istringstream in(text(key));
    std::string word;
    while (in >> word) {
        double value;
        if (!parseDouble(word, value))
            return {};
        result.push_back(value);
    }
    return result;
}

ChildReport parseReport(const std::string &output)
{
    ChildReport report;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t space = line.find(' ');
        if (space == std::string::npos || space == 0)
            continue;
        report.values[line.substr(0, space)] = line.substr(space + 1);
    }
    return report;
}
