// Where the window's picture goes in a terminal, and the picture as the terminal shows it:
// shrunk, when it does not fit, box by box (each shown pixel halfway between the mean of its
// box and the box's pixel farthest from that mean). Pixels are 0x00RRGGBB.
#ifndef ORVEL_HOST_TERMINAL_FIT_H
#define ORVEL_HOST_TERMINAL_FIT_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace orvel::terminal {

// A picture of width x height pixels in a terminal of cols x rows cells, each cell showing
// cellWidth x cellHeight pixels (1 x 2 for half blocks; the cell's size in screen pixels for
// sixel and kitty graphics). The picture keeps its shape, is never enlarged and is centred on
// whole cells.
class Fit {
 public:
  Fit() = default;
  // All >= 1 (smaller values count as 1).
  Fit(int width, int height, int cols, int rows, int cellWidth = 1, int cellHeight = 2);

  int width() const { return width_; }    // the picture, in its own pixels
  int height() const { return height_; }  //
  int cols() const { return cols_; }      // the terminal, in cells
  int rows() const { return rows_; }      //
  int cellWidth() const { return cellWidth_; }
  int cellHeight() const { return cellHeight_; }
  int shownWidth() const { return shownWidth_; }    // the picture as shown, in the terminal's
  int shownHeight() const { return shownHeight_; }  // pixels
  int firstCol() const { return firstCol_; }        // the shown picture's top-left cell, 0-based
  int firstRow() const { return firstRow_; }        //
  int usedCols() const { return (shownWidth_ + cellWidth_ - 1) / cellWidth_; }
  int usedRows() const { return (shownHeight_ + cellHeight_ - 1) / cellHeight_; }

  // The picture's columns [*from, *to) that shown column x (0 <= x < shownWidth) averages;
  // rows likewise for shown row y.
  void SourceColumns(int x, int* from, int* to) const {
    *from = colFrom_[x];
    *to = colFrom_[x + 1];
  }
  void SourceRows(int y, int* from, int* to) const {
    *from = rowFrom_[y];
    *to = rowFrom_[y + 1];
  }
  // The shown column that averages picture column x (0 <= x < width); rows likewise.
  int ShownColumnOf(int x) const { return colOf_[x]; }
  int ShownRowOf(int y) const { return rowOf_[y]; }

  // The picture pixel under the cell at 0-based (col, row): the centre of what the cell
  // shows. False when the cell is outside the shown picture; *x, *y are then the nearest
  // picture pixel.
  bool PixelAt(int col, int row, int* x, int* y) const;

  // The same for a position in the terminal's pixels (0-based, from its top-left corner, as
  // mouse reports in pixels give it).
  bool PixelAtPoint(int px, int py, int* x, int* y) const;

 private:
  int width_ = 1, height_ = 1, cols_ = 1, rows_ = 1, cellWidth_ = 1, cellHeight_ = 2;
  int shownWidth_ = 1, shownHeight_ = 1, firstCol_ = 0, firstRow_ = 0;
  // Where each shown column's (row's) picture pixels start; one more entry for the end.
  std::vector<int> colFrom_ = {0, 1}, rowFrom_ = {0, 1};
  // Each picture column's (row's) shown column (row).
  std::vector<int> colOf_ = {0}, rowOf_ = {0};
};

// The picture as shown: shownWidth x shownHeight pixels, row-major. Empty: nothing shown yet.
struct Shown {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool operator==(const Shown& o) const {
    return width == o.width && height == o.height && pixels == o.pixels;
  }
};

// Shrinks `pixels` (fit.width() x fit.height(), row-major) into *shown.
void Shrink(const uint32_t* pixels, const Fit& fit, Shown* shown);

// A rectangle of shown pixels, [left, right) x [top, bottom).
struct Area {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return left >= right || top >= bottom; }
  bool operator==(const Area& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// Shrinks again only the shown pixels that come from picture pixels [left, right) x
// [top, bottom); *shown must have the fit's size (from Shrink). Returns the shown pixels that
// it computed again (empty when the area lies outside the picture).
Area ShrinkArea(const uint32_t* pixels, const Fit& fit, int left, int top, int right, int bottom,
                Shown* shown);

// Shrinks again the shown pixels whose byte in *marks (one a shown pixel, row-major; 1 marks
// it, 0 not) is 1, and clears the marks; *shown must have the fit's size. Returns the
// rectangle that held them (empty when none was marked).
Area ShrinkMarked(const uint32_t* pixels, const Fit& fit, std::vector<uint8_t>* marks,
                  Shown* shown);

// Rectangles that cover every pixel where `next` differs from `sent` (of the same size): one
// for each band of `bandHeight` rows that has changes, from the first changed column to the
// last, widened to multiples of `columnStep` (cells, for pictures placed on the cell grid);
// bands one under the other with the same columns are one rectangle. Rectangles end at the
// picture's edges.
std::vector<Area> ChangedAreas(const Shown& sent, const Shown& next, int bandHeight,
                               int columnStep);

}  // namespace orvel::terminal

#endif
