// The pulse sphere: a wire-frame model turned in place, scaled into two shells every frame and
// projected straight onto the screen (no perspective; z only tells front from back).
#include "pulse_sphere.h"

#include "display_math.h"

#include <math.h>

using orvel::displays::ColorOf;
using orvel::displays::DegreesToRadians;
using orvel::displays::TruncToInt;

PulseSphere ThePulseSphere(10.0f, 276.0f, 175.0f, 0.0f);

PulseSphere::PulseSphere(float radius, float centreX, float centreY, float /*centreZ*/)
    : inner(), outer(), centreX(centreX), centreY(centreY) {
  const double tilt = DegreesToRadians(30.0);
  const double cosTilt = cos(tilt);
  const double sinTilt = sin(tilt);
  for (int k = 0; k < 18; ++k) {
    const double theta = DegreesToRadians(10.0 * k);
    for (int r = 0; r < 36; ++r) {
      const double phi = DegreesToRadians(10.0 * r);
      const double x0 = radius * sin(phi);
      const double y0 = radius * cos(phi) * cos(theta);
      const double z0 = radius * cos(phi) * sin(theta);
      SpherePoint& p = model[r][k];
      p.x = static_cast<float>(x0 * cosTilt - y0 * sinTilt);
      p.y = static_cast<float>(x0 * sinTilt + y0 * cosTilt);
      p.z = static_cast<float>(z0);
      p.color = 0;
    }
  }
}

void Rotate(PulseSphere& sphere, float angle, int axis) {
  if (axis < 0 || axis > 2) return;
  const double a = DegreesToRadians(angle);
  const double c = cos(a);
  const double s = sin(a);
  for (auto& row : sphere.model) {
    for (SpherePoint& p : row) {
      const double x = p.x, y = p.y, z = p.z;
      if (axis == 0) {
        p.y = static_cast<float>(y * c - z * s);
        p.z = static_cast<float>(y * s + z * c);
      } else if (axis == 1) {
        p.x = static_cast<float>(x * c + z * s);
        p.z = static_cast<float>(-x * s + z * c);
      } else {
        p.x = static_cast<float>(x * c - y * s);
        p.y = static_cast<float>(x * s + y * c);
      }
    }
  }
}

namespace {

const COLORREF kWhite = 0xFFFFFF;
const COLORREF kPaleBack = 150 | 150 << 8 | 100 << 16;

void UpdateScale(PulseSphere& sphere, float level) {
  if (level > sphere.scale) {
    sphere.scale = static_cast<float>(sphere.scale + sphere.scaleStep * 6.0);
  } else {
    sphere.scale = sphere.scale - sphere.scaleStep;
  }
  if (sphere.scale < 1.0f) sphere.scale = 1.0f;
}

void BuildShells(PulseSphere& sphere, COLORREF color) {
  const double innerScale = sphere.scale;
  const double outerScale = sphere.scale + 0.6;
  for (int r = 0; r < 36; ++r) {
    for (int k = 0; k < 18; ++k) {
      SpherePoint& m = sphere.model[r][k];
      m.color = color;
      sphere.inner[r][k] = {static_cast<float>(m.x * innerScale),
                            static_cast<float>(m.y * innerScale),
                            static_cast<float>(m.z * innerScale), color};
      sphere.outer[r][k] = {static_cast<float>(m.x * outerScale),
                            static_cast<float>(m.y * outerScale),
                            static_cast<float>(m.z * outerScale), color};
    }
  }
}

POINT ScreenOf(const PulseSphere& sphere, const SpherePoint& p) {
  return {TruncToInt(static_cast<double>(sphere.centreX) + p.x),
          TruncToInt(static_cast<double>(sphere.centreY) + p.y)};
}

// Corners (r, k), (r + 1, k), (r + 1, k + 1), (r, k + 1) of an inner quadrilateral.
void QuadCorners(const PulseSphere& sphere, int r, int k, POINT corners[4]) {
  corners[0] = ScreenOf(sphere, sphere.inner[r][k]);
  corners[1] = ScreenOf(sphere, sphere.inner[r + 1][k]);
  corners[2] = ScreenOf(sphere, sphere.inner[r + 1][k + 1]);
  corners[3] = ScreenOf(sphere, sphere.inner[r][k + 1]);
}

void DrawDots(const PulseSphere& sphere, HDC hdc, int r, int k) {
  const POINT a = ScreenOf(sphere, sphere.inner[r][k]);
  const POINT b = ScreenOf(sphere, sphere.outer[r][k]);
  SetPixel(hdc, a.x, a.y, sphere.inner[r][k].color);
  SetPixel(hdc, b.x, b.y, sphere.outer[r][k].color);
}

void DrawWire(const PulseSphere& sphere, HDC hdc, int r, int k, COLORREF color) {
  POINT q[4];
  QuadCorners(sphere, r, k, q);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ oldPen = SelectObject(hdc, pen);
  MoveToEx(hdc, q[0].x, q[0].y, nullptr);
  for (int i = 1; i <= 4; ++i) LineTo(hdc, q[i % 4].x, q[i % 4].y);
  SelectObject(hdc, oldPen);
  DeleteObject(pen);
}

void DrawSolidQuad(const PulseSphere& sphere, HDC hdc, int r, int k, COLORREF color) {
  POINT q[4];
  QuadCorners(sphere, r, k, q);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  LOGBRUSH description = {BS_SOLID, color, 0};
  HBRUSH brush = CreateBrushIndirect(&description);
  HGDIOBJ oldPen = SelectObject(hdc, pen);
  HGDIOBJ oldBrush = SelectObject(hdc, brush);
  Polygon(hdc, q, 4);
  SelectObject(hdc, oldPen);
  SelectObject(hdc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

void DrawSpike(const PulseSphere& sphere, HDC hdc, int r, int k, COLORREF color) {
  const POINT a = ScreenOf(sphere, sphere.inner[r][k]);
  const POINT b = ScreenOf(sphere, sphere.outer[r][k]);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ oldPen = SelectObject(hdc, pen);
  MoveToEx(hdc, a.x, a.y, nullptr);
  LineTo(hdc, b.x, b.y);
  SelectObject(hdc, oldPen);
  DeleteObject(pen);
  SetPixel(hdc, a.x, a.y, kWhite);
  SetPixel(hdc, b.x, b.y, kWhite);
}

}  // namespace

void Draw(PulseSphere& sphere, HDC hdc, int variant, float level) {
  UpdateScale(sphere, level);
  const COLORREF color =
      ColorOf(TruncToInt(sphere.red), TruncToInt(sphere.green), TruncToInt(sphere.blue));
  BuildShells(sphere, color);
  if (variant < 0 || variant > 3) return;

  // Column by column, row by row; no depth sorting, later shapes cover earlier ones.
  for (int k = 0; k < 18; ++k) {
    for (int r = 0; r < 36; ++r) {
      const bool front = sphere.inner[r][k].z <= 0.0f;
      const bool even = r % 2 == 0 && k % 2 == 0;
      if (variant == 0 && front) DrawDots(sphere, hdc, r, k);
      if (variant == 1 && front && even) DrawWire(sphere, hdc, r, k, color);
      if (variant == 2 && even) DrawSolidQuad(sphere, hdc, r, k, front ? color : kPaleBack);
      if (variant == 3 && front) DrawSpike(sphere, hdc, r, k, color);
    }
  }
}
