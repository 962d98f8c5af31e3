// A chart as a standalone SVG document, for qelhost plot: a frame with
// ticks and labels on the left, bottom and (optionally) right axes, lines,
// bars and labelled marks.  Every drawn element carries its data: ticks
// data-value, marks data-value with their class, so that a reader of the
// page (a browser test) can map positions back to figures.
#pragma once

#include <string>
#include <vector>

namespace qelhost {

struct ChartAxis {
    std::string label;
    double low = 0, high = 1;  // widened to round tick values when drawn
};

class SvgChart {
public:
    SvgChart(std::string title, ChartAxis x, ChartAxis y, ChartAxis right = {});

    // A polyline over (xs, ys), broken where y is NaN; on the right axis
    // when `right`.
    void line(const std::vector<double>& xs, const std::vector<double>& ys, const std::string& color,
              const std::string& name, bool right = false);
    // Bars centred on xs from bottoms up by heights, `width` in x units.
    void bars(const std::vector<double>& xs, const std::vector<double>& bottoms, const std::vector<double>& heights,
              double width, const std::string& color, const std::string& name);
    // A dot at (x, y) of class `kind` with data-value `value` and a label above.
    void mark(double x, double y, const std::string& kind, double value, const std::string& label, bool ring = false);
    // A horizontal line at y across the plot.
    void level(double y, const std::string& color);

    std::string render() const;

private:
    double px(double x) const;
    double py(double y, bool right = false) const;

    std::string title_;
    ChartAxis x_, y_, right_;
    double x_step_, y_step_, right_step_ = 0;
    std::vector<std::string> legend_;  // "color|name"
    std::string body_;
};

// "1,266.71"-free plain text of a tick or label value: up to 6 significant digits.
std::string chart_number(double x);

}  // namespace qelhost
