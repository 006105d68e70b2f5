#pragma once

#include <string>
#include <vector>

// A table in Markdown form: it reads in a terminal and pastes into a note as is.
class BenchTable
{
public:
    explicit BenchTable(std::vector<std::string> header);

    void addRow(std::vector<std::string> row);
    void print(const std::string &title) const;

    // printf into a string, for the cells.
    static std::string cell(const char *format, ...) __attribute__((format(printf, 1, 2)));
    static std::string status(bool met) { return met ? "met" : "not met"; }

    static double median(std::vector<double> values);
    static double mean(const std::vector<double> &values);
    static double minimum(const std::vector<double> &values);
    static double maximum(const std::vector<double> &values);
    // "median unit (min–max)".
    static std::string spread(const std::vector<double> &values, const char *unit);

private:
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};
