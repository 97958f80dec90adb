#include "analysis/SampleStatistics.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ostrevik {
namespace {

// Regularised incomplete beta function I_x(a, b) by its continued fraction
// (modified Lentz), which converges quickly below x = (a + 1) / (a + b + 2);
// above it the symmetry I_x(a, b) = 1 - I_(1-x)(b, a) is used.
double incompleteBeta(double a, double b, double x) {
    if (x <= 0.0) {
        return 0.0;
    }
    if (x >= 1.0) {
        return 1.0;
    }
    if (x > (a + 1.0) / (a + b + 2.0)) {
        return 1.0 - incompleteBeta(b, a, 1.0 - x);
    }
    const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) +
                                  a * std::log(x) + b * std::log1p(-x)) /
                         a;
    constexpr double kTiny = 1e-300;
    // 1 + 1/(1 + d1/(1 + d2/(1 + ...))): the fraction is f - 1.
    double f = 1.0;
    double c = 1.0;
    double d = 0.0;
    for (int i = 0; i < 500; ++i) {
        const double m = i / 2;
        double numerator = 1.0;
        if (i > 0 && i % 2 == 0) {
            numerator = m * (b - m) * x / ((a + 2.0 * m - 1.0) * (a + 2.0 * m));
        } else if (i > 0) {
            numerator = -(a + m) * (a + b + m) * x / ((a + 2.0 * m) * (a + 2.0 * m + 1.0));
        }
        d = 1.0 + numerator * d;
        d = 1.0 / (std::fabs(d) < kTiny ? kTiny : d);
        c = 1.0 + numerator / c;
        c = std::fabs(c) < kTiny ? kTiny : c;
        f *= c * d;
        if (std::fabs(1.0 - c * d) < 1e-15) {
            break;
        }
    }
    return front * (f - 1.0);
}

// The quantile from the distribution itself: the two tails beyond +-t hold
// I_x(v/2, 1/2) with x = v / (v + t^2), which grows with x; halving the
// interval of x until it no longer shrinks finds 5 %.
double tQuantile975Exact(double v) {
    double low = 0.0;
    double high = 1.0;
    while (true) {
        const double mid = 0.5 * (low + high);
        if (mid <= low || mid >= high) {
            break;
        }
        (incompleteBeta(0.5 * v, 0.5, mid) < 0.05 ? low : high) = mid;
    }
    const double x = 0.5 * (low + high);
    return std::sqrt(v * (1.0 - x) / x);
}

// Cornish-Fisher expansion around the normal quantile; from 30 degrees of
// freedom on it agrees with the exact value to seven digits.
double cornishFisher975(double v) {
    const double z = kNormalQuantile975;
    const double z3 = z * z * z;
    const double z5 = z3 * z * z;
    const double z7 = z5 * z * z;
    const double z9 = z7 * z * z;
    return z + (z3 + z) / (4 * v) + (5 * z5 + 16 * z3 + 3 * z) / (96 * v * v) +
           (3 * z7 + 19 * z5 + 17 * z3 - 15 * z) / (384 * v * v * v) +
           (79 * z9 + 776 * z7 + 1482 * z5 - 1920 * z3 - 945 * z) / (92160 * v * v * v * v);
}

}  // namespace

std::optional<double> Summary::ci95Low() const {
    if (!mean || !ci95HalfWidth) {
        return std::nullopt;
    }
    return *mean - *ci95HalfWidth;
}

std::optional<double> Summary::ci95High() const {
    if (!mean || !ci95HalfWidth) {
        return std::nullopt;
    }
    return *mean + *ci95HalfWidth;
}

Summary summarize(std::span<const double> values) {
    Summary s;
    s.count = static_cast<int>(values.size());
    if (values.empty()) {
        return s;
    }
    double sum = 0.0;
    for (double v : values) {
        sum += v;
    }
    const double n = static_cast<double>(values.size());
    const double mean = sum / n;
    s.mean = mean;
    if (values.size() < 2) {
        return s;
    }
    // Two passes: squared deviations from the mean do not cancel the way a
    // sum of squares minus the squared sum does.
    double squares = 0.0;
    for (double v : values) {
        squares += (v - mean) * (v - mean);
    }
    s.sd = std::sqrt(squares / (n - 1.0));
    s.ci95HalfWidth = tQuantile975(s.count - 1) * *s.sd / std::sqrt(n);
    return s;
}

std::optional<double> LineFit::slopeLow() const {
    if (!slope || !slopeCi95HalfWidth) {
        return std::nullopt;
    }
    return *slope - *slopeCi95HalfWidth;
}

std::optional<double> LineFit::slopeHigh() const {
    if (!slope || !slopeCi95HalfWidth) {
        return std::nullopt;
    }
    return *slope + *slopeCi95HalfWidth;
}

LineFit fitLine(std::span<const double> x, std::span<const double> y) {
    LineFit f;
    const size_t n = std::min(x.size(), y.size());
    f.count = static_cast<int>(n);
    if (n < 3) {
        return f;
    }
    double sx = 0.0;
    double sy = 0.0;
    for (size_t i = 0; i < n; ++i) {
        sx += x[i];
        sy += y[i];
    }
    const double mx = sx / static_cast<double>(n);
    const double my = sy / static_cast<double>(n);
    // Sums of deviations from the means, as summarize does, so that days
    // counted from some far origin lose no digits.
    double sxx = 0.0;
    double sxy = 0.0;
    for (size_t i = 0; i < n; ++i) {
        sxx += (x[i] - mx) * (x[i] - mx);
        sxy += (x[i] - mx) * (y[i] - my);
    }
    if (!(sxx > 0.0)) {
        return f;  // every point at one x: no slope to speak of
    }
    const double slope = sxy / sxx;
    const double intercept = my - slope * mx;
    double residuals = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double r = y[i] - (intercept + slope * x[i]);
        residuals += r * r;
    }
    f.slope = slope;
    f.intercept = intercept;
    f.slopeStandardError = std::sqrt(residuals / static_cast<double>(n - 2) / sxx);
    f.slopeCi95HalfWidth = tQuantile975(static_cast<int>(n) - 2) * *f.slopeStandardError;
    return f;
}

double tQuantile975(double degreesOfFreedom) {
    static constexpr std::array<double, 29> kTable = {
        12.7062047, 4.3026527, 3.1824463, 2.7764451, 2.5705818, 2.4469119, 2.3646243, 2.3060041,
        2.2621572,  2.2281389, 2.2009852, 2.1788128, 2.1603687, 2.1447867, 2.1314495, 2.1199053,
        2.1098156,  2.1009220, 2.0930241, 2.0859634, 2.0796138, 2.0738731, 2.0686576, 2.0638986,
        2.0595386,  2.0555294, 2.0518305, 2.0484071, 2.0452296};
    const double v = degreesOfFreedom;
    if (!(v > 0.0)) {
        return std::nan("");
    }
    if (v >= 30.0) {
        return cornishFisher975(v);
    }
    if (v == std::floor(v)) {
        return kTable[static_cast<size_t>(v) - 1];
    }
    return tQuantile975Exact(v);
}

}  // namespace ostrevik
