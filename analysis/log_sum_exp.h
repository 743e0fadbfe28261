#pragma once
// Sums of powers of levels (10^(L/10) and the like) kept as logarithms.

#include <cmath>
#include <limits>

namespace sonavistor {

// ln(sum of e^y) over the values added, kept relative to the largest y so
// far: no term ever overflows, and only terms negligible beside the largest
// underflow.
class LogSumExp {
public:
    void add(double y)
    {
        if (y <= top_) {
            sum_ += std::exp(y - top_);
        } else {
            sum_ = sum_ * std::exp(top_ - y) + 1;
            top_ = y;
        }
    }
    bool empty() const { return sum_ == 0; }
    double log() const { return top_ + std::log(sum_); }

private:
    double top_ = -std::numeric_limits<double>::infinity();
    double sum_ = 0;
};

// e^(kEnergy L) = 10^(L/10): the energy of a level.
inline constexpr double kEnergy = 2.302585092994046 / 10;

// Leq of n levels from ln(sum of e^(kEnergy L)).
inline double leqOf(const LogSumExp& energy, long long n)
{
    return (energy.log() - std::log(static_cast<double>(n))) / kEnergy;
}

}  // namespace sonavistor
