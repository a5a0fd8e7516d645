// CellDecorations: the underline style and colour of each cell of one line,
// held in the line's extras only once a cell of the line needs them
// (CellDecoration::needsStoring); until then the row holds nothing and every
// cell reads as undecorated.
#pragma once

#include <algorithm>
#include <vector>

#include "core/cell.h"

namespace vesper {

class CellDecorations {
public:
    CellDecoration at(int column) const { return cells_.empty() ? CellDecoration() : cells_[std::size_t(column)]; }

    // Columns [from, to) of a line `columns` wide take `decoration`.
    void overwrite(int from, int to, int columns, const CellDecoration& decoration) {
        if (cells_.empty()) {
            if (!decoration.needsStoring()) return;
            cells_.resize(std::size_t(columns));
        }
        std::fill(cells_.begin() + from, cells_.begin() + to, decoration);
    }
    // Cells [from, end) rotate by `by` columns (right when positive); the
    // caller has cleared the cells that wrap around.
    void rotate(int from, int by) {
        if (cells_.empty() || by == 0) return;
        const auto first = cells_.begin() + from;
        if (by > 0) std::rotate(first, cells_.end() - by, cells_.end());
        else std::rotate(first, first - by, cells_.end());
    }
    void resize(int columns) {
        if (!cells_.empty()) cells_.resize(std::size_t(columns));
    }

private:
    std::vector<CellDecoration> cells_;  // empty, or one entry per column
};

}  // namespace vesper
