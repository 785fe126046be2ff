#include "race/TransformToMatrix.h"

backend::Matrix* TransformToMatrix(backend::Matrix* out, const TMat44* in)
{
    for (int row = 0; row < 4; ++row) {
        out->m[row][0] = in->row[row].x;
        out->m[row][1] = in->row[row].y;
        out->m[row][2] = in->row[row].z;
        out->m[row][3] = row == 3 ? 1.0f : 0.0f;
    }
    return out;
}
