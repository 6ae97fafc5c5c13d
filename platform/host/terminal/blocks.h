// The window as truecolour half-block cells: each text cell shows two pixels one above the
// other, the upper one as the foreground of U+2580 (upper half block) and the lower one as its
// background. The window is shrunk, when it does not fit, by averaging boxes of its pixels.
#ifndef ORVEL_HOST_TERMINAL_BLOCKS_H
#define ORVEL_HOST_TERMINAL_BLOCKS_H

#include <stdint.h>

#include <string>
#include <vector>

namespace orvel::terminal {

// Where a picture of width x height pixels goes in a terminal of cols x rows cells. Pixels
// are 0x00RRGGBB. The picture keeps its shape and is never enlarged; it is centred.
class Fit {
 public:
  Fit() = default;
  // width, height >= 1 picture pixels; cols, rows >= 1 cells.
  Fit(int width, int height, int cols, int rows);

  int width() const { return width_; }              // the picture, in its own pixels
  int height() const { return height_; }            //
  int cols() const { return cols_; }                // the terminal, in cells
  int rows() const { return rows_; }                //
  int shownWidth() const { return shownWidth_; }    // the picture as shown: one pixel per
  int shownHeight() const { return shownHeight_; }  // column, two per cell row
  int firstCol() const { return firstCol_; }        // the shown picture's top-left cell,
  int firstRow() const { return firstRow_; }        // 0-based
  int cellRows() const { return (shownHeight_ + 1) / 2; }

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

  // The picture pixel under the cell at 0-based (col, row): the centre of what the cell
  // shows. False when the cell is outside the shown picture; *x, *y are then the nearest
  // picture pixel.
  bool PixelAt(int col, int row, int* x, int* y) const;

 private:
  int width_ = 1, height_ = 1, cols_ = 1, rows_ = 1;
  int shownWidth_ = 1, shownHeight_ = 1, firstCol_ = 0, firstRow_ = 0;
  // Where each shown column's (row's) picture pixels start; one more entry for the end.
  std::vector<int> colFrom_ = {0, 1}, rowFrom_ = {0, 1};
};

// The colours of every cell of the shown picture, row by row: upper and lower pixel.
struct Cells {
  int cols = 0, rows = 0;
  std::vector<uint32_t> upper, lower;  // cols * rows each
  bool operator==(const Cells& o) const {
    return cols == o.cols && rows == o.rows && upper == o.upper && lower == o.lower;
  }
};

// Shrinks `pixels` (fit.width() x fit.height(), row-major) into the cells of the shown
// picture. A lower half past the picture's last row is black.
void Shrink(const uint32_t* pixels, const Fit& fit, Cells* cells);

// Shrinks again only the cells that show picture pixels [left, right) x [top, bottom);
// *cells must have the fit's size (from Shrink).
void ShrinkArea(const uint32_t* pixels, const Fit& fit, int left, int top, int right, int bottom,
                Cells* cells);

// Appends to *out the bytes that turn the terminal's cells from `shown` into `next` (both of
// the fit's size): cursor moves, colours and one character per changed cell. An empty or
// differently sized `shown` means the terminal shows nothing of the picture yet: every cell
// is drawn. Leaves the terminal's colours set to whatever the last cell needed.
void EncodeBlocks(const Fit& fit, const Cells& shown, const Cells& next, std::string* out);

}  // namespace orvel::terminal

#endif
