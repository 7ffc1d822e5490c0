#include "target/CubeUnit.h"

std::int32_t TargetX = 0;
std::int32_t TargetY = 0;
float TargetAngle = 0;
float TargetSpin = 0;
double TargetTimeLeft = 0;
TextureImage CrateTexture{};

void DrawTarget() {}
