// The largest system the solvers take: the network's 39 species. Work
// arrays are sized for it; a smaller system uses their leading part.
#pragma once

namespace vrex {

inline constexpr int maxNewtonOrder = 39;

} // namespace vrex
