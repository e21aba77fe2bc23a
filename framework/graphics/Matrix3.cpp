#include "framework/graphics/Matrix3.h"

#include <cmath>

namespace Zorbel {

// A positive angle turns counter-clockwise on screen, where y grows downwards.
Matrix3 Matrix3::Rotation(float radians) {
    Matrix3 r;
    float c = std::cos(radians);
    float s = std::sin(radians);
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

} // namespace Zorbel
