// The pulse sphere: a net of 18 great circles through two poles, 36 points each, turned in
// 3-D and projected without perspective; it swells with the level.
#ifndef ORVEL_DISPLAYS_PULSE_SPHERE_H
#define ORVEL_DISPLAYS_PULSE_SPHERE_H

#include <windows.h>

struct SpherePoint {
  float x, y, z;  // pixels; z > 0 points away from the viewer
  COLORREF color;
};

struct PulseSphere {
  // Builds the model at the given radius (pixels), tilted 30 degrees about z; the centre's z is
  // kept for the record and used by nothing.
  PulseSphere(float radius, float centreX, float centreY, float centreZ);

  SpherePoint model[36][18];                    // [row r][column k], turned in place by Rotate
  SpherePoint inner[36][18];                    // model * scale, rebuilt by every Draw
  SpherePoint outer[36][18];                    // model * (scale + 0.6), rebuilt by every Draw
  float centreX, centreY;                       // screen position of the centre
  float scale = 1.0f;                           // size factor, never below 1
  float scaleStep = 0.0f;                       // start-up sets 0.2
  float red = 0.0f, green = 0.0f, blue = 0.0f;  // 0..255, written before each Draw
};

// The program's one sphere, built before the entry function runs with 10, 276, 175 and 0.
extern PulseSphere ThePulseSphere;

// Turns the model by angle degrees about axis 0 (x), 1 (y) or 2 (z); other axes do nothing.
void Rotate(PulseSphere& sphere, float angle, int axis);
// Updates scale from level (0..25), rebuilds the shells and paints variant 0..3.
void Draw(PulseSphere& sphere, HDC hdc, int variant, float level);

#endif
