#pragma once

#include <algorithm>

// One cell position of a CGridCtrl. Rows and columns are 0-based and count the
// fixed (header) rows and columns; -1 means "no cell".
class CCellID {
public:
    constexpr CCellID(int r = -1, int c = -1) : row(r), col(c) {}

    constexpr bool IsValid() const { return row >= 0 && col >= 0; }
    constexpr bool operator==(const CCellID& other) const {
        return row == other.row && col == other.col;
    }
    constexpr bool operator!=(const CCellID& other) const { return !(*this == other); }

    int row;
    int col;
};

// A rectangle of cells, both corners included. A default range (all -1) and
// the "nothing selected" answer of CGridCtrl::GetSelectedCellRange, which is
// (row count, column count, -1, -1), are both invalid: callers accept a range
// only when IsValid() holds.
class CCellRange {
public:
    constexpr CCellRange(int minRow = -1, int minCol = -1, int maxRow = -1, int maxCol = -1)
        : minRow_(minRow), minCol_(minCol), maxRow_(maxRow), maxCol_(maxCol) {}

    constexpr void Set(int minRow, int minCol, int maxRow, int maxCol) {
        minRow_ = minRow;
        minCol_ = minCol;
        maxRow_ = maxRow;
        maxCol_ = maxCol;
    }

    // All four bounds 0 or more, each minimum not above its maximum.
    constexpr bool IsValid() const {
        return minRow_ >= 0 && minCol_ >= 0 && maxRow_ >= 0 && maxCol_ >= 0 && minRow_ <= maxRow_ &&
               minCol_ <= maxCol_;
    }
    constexpr bool InRange(int row, int col) const {
        return row >= minRow_ && row <= maxRow_ && col >= minCol_ && col <= maxCol_;
    }
    constexpr bool InRange(const CCellID& cell) const { return InRange(cell.row, cell.col); }

    constexpr int GetMinRow() const { return minRow_; }
    constexpr int GetMinCol() const { return minCol_; }
    constexpr int GetMaxRow() const { return maxRow_; }
    constexpr int GetMaxCol() const { return maxCol_; }
    constexpr void SetMinRow(int row) { minRow_ = row; }
    constexpr void SetMinCol(int col) { minCol_ = col; }
    constexpr void SetMaxRow(int row) { maxRow_ = row; }
    constexpr void SetMaxCol(int col) { maxCol_ = col; }

    constexpr int Count() const {
        return IsValid() ? (maxRow_ - minRow_ + 1) * (maxCol_ - minCol_ + 1) : 0;
    }
    constexpr CCellID GetTopLeft() const { return CCellID(minRow_, minCol_); }

    // The common part of two ranges; invalid when they do not overlap.
    constexpr CCellRange Intersect(const CCellRange& other) const {
        return CCellRange(std::max(minRow_, other.minRow_), std::max(minCol_, other.minCol_),
                          std::min(maxRow_, other.maxRow_), std::min(maxCol_, other.maxCol_));
    }

    constexpr bool operator==(const CCellRange& other) const {
        return minRow_ == other.minRow_ && minCol_ == other.minCol_ && maxRow_ == other.maxRow_ &&
               maxCol_ == other.maxCol_;
    }
    constexpr bool operator!=(const CCellRange& other) const { return !(*this == other); }

private:
    int minRow_;
    int minCol_;
    int maxRow_;
    int maxCol_;
};
