#include "tabstrip/TabEntry.h"

#include <cstring>

void CTabEntry::GetShapePoints(const RECT& shape, POINT (&points)[6]) const {
    const LONG L = shape.left, T = shape.top, R = shape.right, B = shape.bottom;
    const LONG h = B - T;
    // The slant's middle point sits at y = h/2, not T + h/2: with T = 1 the
    // kink is one pixel higher than the centre, which is the look of the strip.
    switch (m_kind) {
    case TK_EDGE_SELECTED:
        points[0] = {L, T};
        points[1] = {L, B};
        for (int i = 2; i < 6; ++i) points[i] = {L + h / 2, T};
        break;
    case TK_EDGE:
        points[0] = {L, T};
        points[1] = {L + h / 4, h / 2};
        for (int i = 2; i < 6; ++i) points[i] = {L, B};
        break;
    case TK_FULL:
    case TK_COVERED:
        points[0] = {L, T};
        points[1] = {L + h / 4, h / 2};
        points[2] = {L + h / 2, B};
        points[3] = {R - h / 2, B};
        points[4] = {R - h / 4, h / 2};
        // A covered tab's upper right corner lies under its right neighbour.
        points[5] = {m_kind == TK_FULL ? R : R - h / 2, T};
        break;
    default:
        for (POINT& p : points) p = {0, 0};
        break;
    }
}

void CTabEntry::UpdateRegion() {
    m_region.Reset();
    GetShapePoints(m_rcShape, m_regionPoints);
    m_region.Reset(::CreatePolygonRgn(m_regionPoints, 6, WINDING));
    ++m_nRegionCount;
}

bool CTabEntry::RefreshRegion() {
    POINT points[6];
    GetShapePoints(m_rcShape, points);
    if (m_region && std::memcmp(points, m_regionPoints, sizeof points) == 0) return false;
    UpdateRegion();
    return true;
}
