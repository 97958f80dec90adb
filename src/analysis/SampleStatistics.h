#pragma once

#include <optional>
#include <span>

namespace ostrevik {

// Mean, spread and the 95 % confidence interval of the mean of a handful of
// values: the per-series figures of the trend and the per-session figures of
// a comparison. The standard deviation is the sample one (divided by n - 1),
// so it needs at least two values; with fewer it is empty, as is the interval.
struct Summary {
    int count = 0;
    std::optional<double> mean;
    std::optional<double> sd;
    // Half the width of the 95 % interval: t(0.975, n - 1) * sd / sqrt(n).
    std::optional<double> ci95HalfWidth;

    std::optional<double> ci95Low() const;
    std::optional<double> ci95High() const;
};

Summary summarize(std::span<const double> values);

// A straight line through points by least squares, y = intercept + slope x,
// with the 95 % interval of the slope from its standard error and Student's
// t at n - 2 degrees of freedom. It needs three points at two different x
// at least; with fewer everything but the count is empty.
struct LineFit {
    int count = 0;
    std::optional<double> slope;
    std::optional<double> intercept;
    std::optional<double> slopeStandardError;
    std::optional<double> slopeCi95HalfWidth;

    std::optional<double> slopeLow() const;
    std::optional<double> slopeHigh() const;
};

LineFit fitLine(std::span<const double> x, std::span<const double> y);

// The 97.5 % quantile of the normal distribution: the factor of a two-sided
// 95 % interval where the normal approximation holds, and the limit of
// tQuantile975 for many degrees of freedom.
inline constexpr double kNormalQuantile975 = 1.959963984540054;

// The 97.5 % quantile of Student's t distribution, the factor of a two-sided
// 95 % interval. Small samples need it: with 5 values it is 2.78, not 1.96.
// Degrees of freedom need not be whole (Welch's difference of two means has
// such); not a number for none above 0.
double tQuantile975(double degreesOfFreedom);

}  // namespace ostrevik
