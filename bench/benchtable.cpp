#include "benchtable.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <numeric>
#include <utility>

namespace {

// Characters, not bytes: the cells carry "×", "≤" and the like.
std::size_t displayWidth(const std::string &text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void printRow(const std::vector<std::string> &row, const std::vector<std::size_t> &widths)
{
    std::string line = "|";
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const std::string text = i < row.size() ? row[i] : std::string();
        line += ' ' + text + std::string(widths[i] - displayWidth(text), ' ') + " |";
    }
    std::printf("%s\n", line.c_str());
}

} // namespace

BenchTable::BenchTable(std::vector<std::string> header)
    : header(std::move(header))
{ }

void BenchTable::addRow(std::vector<std::string> row)
{
    rows.push_back(std::move(row));
}

void BenchTable::print(const std::string &title) const
{
    std::vector<std::size_t> widths(header.size(), 3);
    for (std::size_t i = 0; i < widths.size(); ++i)
        widths[i] = std::max(widths[i], displayWidth(header[i]));
    for (const auto &row : rows) {
        for (std::size_t i = 0; i < widths.size() && i < row.size(); ++i)
            widths[i] = std::max(widths[i], displayWidth(row[i]));
    }

    std::printf("\n%s\n\n", title.c_str());
    printRow(header, widths);
    std::string rule = "|";
    for (const std::size_t width : widths)
        rule += std::string(width + 2, '-') + '|';
    std::printf("%s\n", rule.c_str());
    for (const auto &row : rows)
        printRow(row, widths);
    std::fflush(stdout);
}

std::string BenchTable::cell(const char *format, ...)
{
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

double BenchTable::median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double BenchTable::mean(const std::vector<double> &values)
{
    if (values.empty())
        return 0;
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

double BenchTable::minimum(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double BenchTable::maximum(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

std::string BenchTable::spread(const std::vector<double> &values, const char *unit)
{
    return cell("%.1f %s (%.1f–%.1f)", median(values), unit, minimum(values), maximum(values));
}
