#pragma once

namespace Zorbel {

// A 3 x 3 matrix of floats that transforms the column (x, y, 1): m[row][column].
struct Matrix3 {
    float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    static constexpr Matrix3 Identity() { return Matrix3(); }

    static constexpr Matrix3 Translation(float dx, float dy) {
        Matrix3 t;
        t.m[0][2] = dx;
        t.m[1][2] = dy;
        return t;
    }

    static constexpr Matrix3 Scaling(float sx, float sy) {
        Matrix3 s;
        s.m[0][0] = sx;
        s.m[1][1] = sy;
        return s;
    }

    static Matrix3 Rotation(float radians);

    // The product applies `right` first, then this matrix.
    constexpr Matrix3 operator*(const Matrix3& right) const {
        Matrix3 product;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                product.m[r][c] = m[r][0] * right.m[0][c] + m[r][1] * right.m[1][c] + m[r][2] * right.m[2][c];
        return product;
    }

    // Transforms the point (x, y, 1) and keeps the first two coordinates.
    constexpr void Transform(float x, float y, float& outX, float& outY) const {
        outX = m[0][0] * x + m[0][1] * y + m[0][2];
        outY = m[1][0] * x + m[1][1] * y + m[1][2];
    }

    constexpr bool operator==(const Matrix3&) const = default;
};

} // namespace Zorbel
