// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

// Order statistics of one set of timings.
struct Spread
{
    std::size_t count = 0;
    double median = 0.0;
    double p25 = 0.0; // quartiles by linear interpolation between ranks
    double p75 = 0.0;
    double min = 0.0;
    double max = 0.0;
};

// Needs at least one sample.
Spread summarize(std::vector<double> samples);

// What one measuring process prints: one "key value" pair per line, the value
// running to the end of the line. Later lines win; lines without a space are
// ignored, so stray output from the toolkit or the driver does no harm as
// long as it does not start with a key.
struct ChildReport
{
    std::map<std::string, std::string> values;

    bool has(const std::string &key) const { return values.count(key) != 0; }
    std::string text(const std::string &key) const;
    // NaN when the key is missing or its value is not a whole number.
    double number(const std::string &key) const;
    // Every whitespace-separated number in the value; empty when missing or
    // when any of them does not parse.
    std::vector<double> numbers(const std::string &key) const;
};

ChildReport parseReport(const std::string &output);
