// Standalone SVG charts (see svg_chart.h): 800 by 450 user units, the plot
// inside fixed margins, axes widened to whole multiples of a 1-2-5 step.
#include "svg_chart.h"

#include <cmath>
#include <cstdio>

namespace qelhost {

namespace {

constexpr double kWidth = 800, kHeight = 450;
constexpr double kLeft = 80, kRight = 80, kTop = 40, kBottom = 60;

// A step of 1, 2 or 5 times a power of ten giving about five intervals.
double tick_step(double low, double high) {
    const double range = high > low ? high - low : 1;
    const double raw = range / 5, power = std::pow(10, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (raw <= m * power) return m * power;
    return 10 * power;
}

// Widens the axis to whole steps; returns the step.
double settle(ChartAxis& a) {
    if (!(a.high > a.low)) a.high = a.low + 1;
    const double step = tick_step(a.low, a.high);
    a.low = std::floor(a.low / step) * step;
    a.high = std::ceil(a.high / step) * step;
    return step;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '&') out += "&amp;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

std::string fixed(double x) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", x);
    return buf;
}

}  // namespace

std::string chart_number(double x) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", std::fabs(x) < 1e-12 ? 0.0 : x);
    return buf;
}

SvgChart::SvgChart(std::string title, ChartAxis x, ChartAxis y, ChartAxis right)
    : title_(std::move(title)), x_(std::move(x)), y_(std::move(y)), right_(std::move(right)) {
    x_step_ = settle(x_);
    y_step_ = settle(y_);
    if (!right_.label.empty()) right_step_ = settle(right_);
}

double SvgChart::px(double x) const { return kLeft + (x - x_.low) / (x_.high - x_.low) * (kWidth - kLeft - kRight); }

double SvgChart::py(double y, bool right) const {
    const ChartAxis& a = right ? right_ : y_;
    return kHeight - kBottom - (y - a.low) / (a.high - a.low) * (kHeight - kTop - kBottom);
}

void SvgChart::line(const std::vector<double>& xs, const std::vector<double>& ys, const std::string& color,
                    const std::string& name, bool right) {
    std::string points;
    auto flush = [&] {
        if (!points.empty())
            body_ += "<polyline class=\"line\" fill=\"none\" stroke=\"" + color + "\" stroke-width=\"2\" points=\"" +
                     points + "\"/>\n";
        points.clear();
    };
    for (size_t i = 0; i < xs.size(); ++i) {
        if (std::isnan(ys[i])) {
            flush();
            continue;
        }
        points += (points.empty() ? "" : " ") + fixed(px(xs[i])) + "," + fixed(py(ys[i], right));
    }
    flush();
    legend_.push_back(color + "|" + name);
}

void SvgChart::bars(const std::vector<double>& xs, const std::vector<double>& bottoms,
                    const std::vector<double>& heights, double width, const std::string& color,
                    const std::string& name) {
    for (size_t i = 0; i < xs.size(); ++i) {
        const double top = py(bottoms[i] + heights[i]), base = py(bottoms[i]);
        body_ += "<rect class=\"bar\" fill=\"" + color + "\" x=\"" + fixed(px(xs[i] - width / 2)) + "\" y=\"" +
                 fixed(std::min(top, base)) + "\" width=\"" + fixed(px(xs[i] + width / 2) - px(xs[i] - width / 2)) +
                 "\" height=\"" + fixed(std::fabs(base - top)) + "\"/>\n";
    }
    legend_.push_back(color + "|" + name);
}

void SvgChart::mark(double x, double y, const std::string& kind, double value, const std::string& label, bool ring) {
    const std::string cx = fixed(px(x)), cy = fixed(py(y));
    body_ += "<circle class=\"" + kind + "\" data-value=\"" + chart_number(value) + "\" cx=\"" + cx + "\" cy=\"" + cy +
             (ring ? "\" r=\"9\" fill=\"none\" stroke=\"black\" stroke-width=\"1.5\"/>\n" : "\" r=\"5\" fill=\"#d62728\"/>\n");
    if (!label.empty())
        body_ += "<text x=\"" + cx + "\" y=\"" + fixed(py(y) - 12) + "\" text-anchor=\"middle\">" + escaped(label) +
                 "</text>\n";
}

void SvgChart::level(double y, const std::string& color) {
    body_ += "<line x1=\"" + fixed(kLeft) + "\" x2=\"" + fixed(kWidth - kRight) + "\" y1=\"" + fixed(py(y)) +
             "\" y2=\"" + fixed(py(y)) + "\" stroke=\"" + color + "\"/>\n";
}

std::string SvgChart::render() const {
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      fixed(kWidth) + "\" height=\"" + fixed(kHeight) + "\" viewBox=\"0 0 800 450\" " +
                      "font-family=\"sans-serif\" font-size=\"12\">\n<rect width=\"800\" height=\"450\" fill=\"white\"/>\n";
    svg += "<text x=\"400\" y=\"24\" text-anchor=\"middle\" font-size=\"15\">" + escaped(title_) + "</text>\n";
    const double left = kLeft, right = kWidth - kRight, top = kTop, bottom = kHeight - kBottom;
    svg += "<rect x=\"" + fixed(left) + "\" y=\"" + fixed(top) + "\" width=\"" + fixed(right - left) +
           "\" height=\"" + fixed(bottom - top) + "\" fill=\"none\" stroke=\"black\"/>\n";
    for (int i = 0; x_.low + i * x_step_ <= x_.high + x_step_ / 2; ++i) {
        const double v = x_.low + i * x_step_;
        svg += "<g class=\"tick x\" data-value=\"" + chart_number(v) + "\"><line x1=\"" + fixed(px(v)) + "\" x2=\"" +
               fixed(px(v)) + "\" y1=\"" + fixed(bottom) + "\" y2=\"" + fixed(bottom + 5) +
               "\" stroke=\"black\"/><text x=\"" + fixed(px(v)) + "\" y=\"" + fixed(bottom + 18) +
               "\" text-anchor=\"middle\">" + chart_number(v) + "</text></g>\n";
    }
    auto vertical = [&](const ChartAxis& a, double step, bool on_right) {
        const double x = on_right ? right : left;
        for (int i = 0; a.low + i * step <= a.high + step / 2; ++i) {
            const double v = a.low + i * step;
            svg += "<g class=\"tick y\" data-value=\"" + chart_number(v) + "\"><line x1=\"" + fixed(x) + "\" x2=\"" +
                   fixed(x + (on_right ? 5 : -5)) + "\" y1=\"" + fixed(py(v, on_right)) + "\" y2=\"" +
                   fixed(py(v, on_right)) + "\" stroke=\"black\"/><text x=\"" + fixed(x + (on_right ? 8 : -8)) +
                   "\" y=\"" + fixed(py(v, on_right) + 4) + "\" text-anchor=\"" + (on_right ? "start" : "end") +
                   "\">" + chart_number(v) + "</text></g>\n";
        }
        svg += "<text transform=\"translate(" + fixed(on_right ? kWidth - 12 : 16) + "," + fixed((top + bottom) / 2) +
               ") rotate(" + (on_right ? "90" : "-90") + ")\" text-anchor=\"middle\">" + escaped(a.label) + "</text>\n";
    };
    vertical(y_, y_step_, false);
    if (!right_.label.empty()) vertical(right_, right_step_, true);
    svg += "<text x=\"" + fixed((left + right) / 2) + "\" y=\"" + fixed(kHeight - 14) + "\" text-anchor=\"middle\">" +
           escaped(x_.label) + "</text>\n";
    svg += body_;
    double ly = top + 16;
    svg += "<rect x=\"" + fixed(right - 156) + "\" y=\"" + fixed(top + 4) + "\" width=\"150\" height=\"" +
           fixed(16.0 * static_cast<double>(legend_.size()) + 4) + "\" fill=\"white\" fill-opacity=\"0.85\"/>\n";
    for (const std::string& entry : legend_) {
        const size_t bar = entry.find('|');
        svg += "<rect x=\"" + fixed(right - 150) + "\" y=\"" + fixed(ly - 9) + "\" width=\"12\" height=\"10\" fill=\"" +
               entry.substr(0, bar) + "\"/><text x=\"" + fixed(right - 132) + "\" y=\"" + fixed(ly) + "\">" +
               escaped(entry.substr(bar + 1)) + "</text>\n";
        ly += 16;
    }
    return svg + "</svg>\n";
}

}  // namespace qelhost
