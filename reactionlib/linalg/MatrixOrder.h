// The largest system the solvers take: the network's 39 species. Work
// arrays are sized for it; a smaller system uses their leading part.
#pragma once

namespace vrex {

inline constexpr int maxSystemOrder = 39;

} // namespace vrex
