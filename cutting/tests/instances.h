#pragma once

// Instances from the literature that more than one test cuts.

#include "cutting/plan.h"

#include <cstdint>
#include <vector>

namespace tavrilo::cutting::testing_instances {

// Pairs of length and count, as the literature lists them.
inline std::vector<Demand> Pieces(const std::vector<std::int64_t>& pairs) {
    std::vector<Demand> pieces;
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2)
        pieces.push_back({pairs[i], pairs[i + 1]});
    return pieces;
}

// Falkenauer's triplets t120_00: each of the 40 bars of the optimum holds
// three pieces that fill it exactly.
inline Problem FalkenauerT120() {
    return {{1000},
            0,
            Pieces({497, 2, 495, 1, 485, 1, 480, 1, 478, 1, 474, 1, 473, 1, 472, 1, 470, 1, 466, 1,
                    450, 1, 446, 1, 445, 2, 444, 1, 439, 1, 434, 1, 430, 1, 420, 1, 419, 1, 414, 1,
                    412, 1, 410, 1, 407, 1, 405, 1, 400, 1, 397, 1, 395, 1, 376, 1, 372, 1, 370, 1,
                    366, 5, 363, 2, 362, 1, 361, 1, 357, 2, 356, 2, 355, 1, 352, 1, 351, 1, 350, 3,
                    347, 1, 336, 1, 333, 1, 329, 1, 325, 1, 320, 1, 315, 1, 314, 1, 313, 1, 307, 1,
                    303, 1, 302, 1, 301, 1, 299, 1, 298, 3, 295, 1, 294, 1, 292, 1, 290, 1, 288, 1,
                    287, 1, 283, 1, 282, 2, 276, 1, 275, 2, 274, 1, 273, 2, 272, 2, 271, 2, 269, 2,
                    268, 1, 267, 2, 266, 1, 263, 2, 262, 2, 261, 1, 260, 1, 259, 3, 258, 1, 256, 1,
                    255, 1, 254, 3, 253, 4, 252, 4, 251, 2, 250, 2})};
}

} // namespace tavrilo::cutting::testing_instances
