#pragma once

#include <cmath>
#include <vector>

namespace testing {

// For each device pixel along a side of `size` design pixels, the design
// pixel it belongs to: design edge d lands on device edge round(d * ratio).
inline std::vector<int> owners(int size, double ratio)
{
    std::vector<int> owner;
    for (int d = 0; d < size; ++d) {
        const int from = int(std::floor(d * ratio + 0.5));
        const int to = int(std::floor((d + 1) * ratio + 0.5));
        owner.insert(owner.end(), size_t(to - from), d);
    }
    return owner;
}

} // namespace testing
