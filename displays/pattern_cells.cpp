// Spectrum shape patterns. Each cell swells with its band, flies in straight runs between the
// walls and redraws itself over a black disc that erases its previous shape.
#include "pattern_cells.h"

#include "display_math.h"

#include <math.h>
#include <stdlib.h>

using orvel::displays::ColorOf;
using orvel::displays::DegreesToRadians;
using orvel::displays::TruncToInt;

PatternCell PatternCells[32];
float TrianglePoints[3][2];
float StarPoints[10][2];
float PatternSpin = 0.0f;
const float DegToRad = static_cast<float>(22.0 / 7.0 / 180.0);

namespace {

// Scratch for the polygon being drawn: its vertices, radius and rotated unit vector.
POINT ShapeVertices[10];
float ShapeRadius;
float RotatedX, RotatedY;

}  // namespace

void InitPointTables() {
  for (int i = 0; i < 3; ++i) {
    const double a = DegreesToRadians(120.0 * i);
    TrianglePoints[i][0] = static_cast<float>(cos(a));
    TrianglePoints[i][1] = static_cast<float>(sin(a));
  }
  for (int k = 0; k < 10; ++k) {
    const double a = DegreesToRadians(36.0 * k);
    const double radius = k % 2 == 0 ? 1.0 : 0.5;
    StarPoints[k][0] = static_cast<float>(cos(a) * radius);
    StarPoints[k][1] = static_cast<float>(sin(a) * radius);
  }
}

void InitPatternCells() {
  for (int j = 0; j < 32; ++j) {
    PatternCell& cell = PatternCells[j];
    cell = PatternCell{};
    cell.originX = 276;
    cell.originY = 175;
    cell.red = rand() % 200 + 50;
    cell.green = rand() % 200 + 50;
    cell.blue = rand() % 200 + 50;
    cell.decay = j < 5 ? 18 : 12;
    cell.leftBound = 20;
    cell.topBound = 100;
    cell.rightBound = 530;
    cell.bottomBound = 300;
    cell.travel = 30.0f;
    cell.speed = 30.0f;
    cell.heading = static_cast<float>(j * 360 * 0.03125);
  }
}

namespace {

void UpdateSize(PatternCell& cell, float magnitude) {
  cell.prevSize = cell.size;
  if (magnitude > cell.size) {
    cell.size = magnitude;
  } else {
    cell.size = cell.size - cell.decay;
  }
  if (cell.size < 10.0f) cell.size = 3.0f;
}

void Move(PatternCell& cell) {
  cell.travel = static_cast<float>(cell.travel + cell.speed * 0.1);
  cell.prevX = cell.x;
  cell.prevY = cell.y;
  const double h = static_cast<double>(cell.heading) * DegToRad;
  cell.x = TruncToInt(cos(h) * cell.travel + cell.originX);
  cell.y = TruncToInt(sin(h) * cell.travel + cell.originY);
}

// A wall that the shape reaches starts a new run one pixel inside it, reflected. The position
// itself is not corrected.
void BounceOffWalls(PatternCell& cell) {
  const double size = cell.size;
  if (cell.x > cell.rightBound - size - 1) {
    cell.originX = cell.x - 1;
    cell.originY = cell.y;
    cell.travel = 0.0f;
    cell.heading = 180.0f - cell.heading;
  }
  if (cell.y > cell.bottomBound - size - 1) {
    cell.originX = cell.x;
    cell.originY = cell.y - 1;
    cell.travel = 0.0f;
    cell.heading = 360.0f - cell.heading;
  }
  if (cell.x < cell.leftBound + size + 1) {
    cell.originX = cell.x + 1;
    cell.originY = cell.y;
    cell.travel = 0.0f;
    cell.heading = 180.0f - cell.heading;
  }
  if (cell.y < cell.topBound + size + 1) {
    cell.originX = cell.x;
    cell.originY = cell.y + 1;
    cell.travel = 0.0f;
    cell.heading = 360.0f - cell.heading;
  }
}

// Pen and brush of one colour for one shape.
void BeginShape(PatternCell& cell, HDC hdc, COLORREF color) {
  cell.pen = CreatePen(PS_SOLID, 1, color);
  cell.brushDescription.lbStyle = BS_SOLID;
  cell.brushDescription.lbColor = color;
  cell.brush = CreateBrushIndirect(&cell.brushDescription);
  cell.oldPen = SelectObject(hdc, cell.pen);
  cell.oldBrush = SelectObject(hdc, cell.brush);
}

void EndShape(PatternCell& cell, HDC hdc) {
  SelectObject(hdc, cell.oldPen);
  SelectObject(hdc, cell.oldBrush);
  DeleteObject(cell.pen);
  DeleteObject(cell.brush);
  cell.pen = nullptr;
  cell.brush = nullptr;
}

void DrawDisc(HDC hdc, double cx, double cy, double r) {
  Ellipse(hdc, TruncToInt(cx - r), TruncToInt(cy - r), TruncToInt(cx + r), TruncToInt(cy + r));
}

// A triangle or star of the unit table, turned by PatternSpin, at ShapeRadius around (x, y).
void DrawSpunPolygon(HDC hdc, int x, int y, const float (*points)[2], int count) {
  const double c = cos(PatternSpin);
  const double s = sin(PatternSpin);
  for (int i = 0; i < count; ++i) {
    RotatedX = static_cast<float>(c * points[i][0] - s * points[i][1]);
    RotatedY = static_cast<float>(s * points[i][0] + c * points[i][1]);
    ShapeVertices[i].x = TruncToInt(x + static_cast<double>(RotatedX) * ShapeRadius);
    ShapeVertices[i].y = TruncToInt(y + static_cast<double>(RotatedY) * ShapeRadius);
  }
  Polygon(hdc, ShapeVertices, count);
}

// The body (kinds 1..6) or the hole (2, 4, 6) at ShapeRadius in one colour.
void DrawShape(PatternCell& cell, HDC hdc, COLORREF color) {
  BeginShape(cell, hdc, color);
  switch (cell.kind) {
    case kCircle:
    case kRing:
      DrawDisc(hdc, cell.x, cell.y, ShapeRadius);
      break;
    case kTriangle:
    case kTriangleRing:
      DrawSpunPolygon(hdc, cell.x, cell.y, TrianglePoints, 3);
      break;
    default:
      DrawSpunPolygon(hdc, cell.x, cell.y, StarPoints, 10);
      break;
  }
  EndShape(cell, hdc);
}

}  // namespace

void DrawPatternCell(PatternCell& cell, HDC hdc, float magnitude) {
  UpdateSize(cell, magnitude);
  Move(cell);
  BounceOffWalls(cell);
  if (cell.kind < kCircle || cell.kind > kStarRing) return;

  BeginShape(cell, hdc, 0);
  DrawDisc(hdc, cell.prevX, cell.prevY, cell.prevSize * 2.0 / 3.0);
  EndShape(cell, hdc);

  ShapeRadius = static_cast<float>(cell.size * 0.5);
  DrawShape(cell, hdc, ColorOf(cell.red, cell.green, cell.blue));
  if (cell.kind == kRing || cell.kind == kTriangleRing || cell.kind == kStarRing) {
    ShapeRadius = cell.size / 3;
    DrawShape(cell, hdc, 0);
  }
}
