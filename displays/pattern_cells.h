// Spectrum shape patterns: 31 coloured shapes that fly from the middle of the display area,
// bounce off its walls and swell with their band. Each shape is one PatternCell.
#ifndef ORVEL_DISPLAYS_PATTERN_CELLS_H
#define ORVEL_DISPLAYS_PATTERN_CELLS_H

#include <windows.h>

// PatternKind: what a cell draws.
enum PatternKind {
  kNothing = 0,
  kCircle = 1,
  kRing = 2,
  kTriangle = 3,
  kTriangleRing = 4,
  kStar = 5,
  kStarRing = 6,
};

struct PatternCell {
  int originX, originY;  // start of the current straight run, client pixels
  int red, green, blue;  // colour components, 50..249
  int prevX, prevY;      // centre drawn in the previous frame
  int x, y;              // current centre
  int decay;             // fall of size per quiet frame
  int rightBound, leftBound, bottomBound, topBound;  // walls, client pixels
  int kind;                                          // PatternKind
  float heading;                                     // degrees; 0 = +x, 90 = +y (down); not wrapped
  float travel;                                      // pixels from the origin along the heading
  float speed;                                       // travel gained per ten frames
  float size;      // current size; the body reaches size / 2 from the centre
  float prevSize;  // size before this frame's update
  HBRUSH brush;    // scratch for one draw
  HGDIOBJ oldBrush;
  HPEN pen;
  HGDIOBJ oldPen;
  LOGBRUSH brushDescription;
};

extern PatternCell PatternCells[32];
extern float TrianglePoints[3][2];  // unit vectors (x, y) at 0, 120, 240 degrees
extern float StarPoints[10][2];     // outer (radius 1) and inner (radius 0.5) points of a star
extern float PatternSpin;           // radians; turns every triangle and star
extern const float DegToRad;        // 22 / 7 / 180 as a float

// Fills TrianglePoints and StarPoints, with pi taken as 22/7.
void InitPointTables();
// Gives the 32 cells their start-up values (three rand() draws per cell, in cell order).
void InitPatternCells();
// One frame of one cell: size, motion, walls, then erase, body and hole.
void DrawPatternCell(PatternCell& cell, HDC hdc, float magnitude);

#endif
