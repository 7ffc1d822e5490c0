// CubeUnit.h - the target's variables and the spinning textured crate that shows it.
#pragma once

#include "platform/Tga.h"

#include <cstdint>

extern std::int32_t TargetX;      // centre, virtual units
extern std::int32_t TargetY;
extern float TargetAngle;         // degrees about the vertical axis
extern float TargetSpin;          // degrees per 100 ms of frame time
extern double TargetTimeLeft;     // milliseconds
extern TextureImage CrateTexture;

// Draws the crate at the target's place and angle. Leaves the depth test and texturing off.
void DrawTarget();
