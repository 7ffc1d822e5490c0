#include "target/CubeUnit.h"

#include "platform/Color.h"
#include "platform/GL.h"

std::int32_t TargetX = 0;
std::int32_t TargetY = 0;
float TargetAngle = 0;
float TargetSpin = 0;
double TargetTimeLeft = 0;
TextureImage CrateTexture{};

namespace {
struct CubeCorner {
    GLfloat S, T;
    GLfloat X, Y, Z;
};

struct CubeFace {
    GLfloat NormalX, NormalY, NormalZ;
    CubeCorner Corners[4];
};

// Each face counter-clockwise seen from outside, the texture upright on every side.
constexpr CubeFace CubeFaces[6] = {
    // front
    {0, 0, 1, {{0, 0, -1, -1, 1}, {1, 0, 1, -1, 1}, {1, 1, 1, 1, 1}, {0, 1, -1, 1, 1}}},
    // back
    {0, 0, -1, {{1, 0, -1, -1, -1}, {1, 1, -1, 1, -1}, {0, 1, 1, 1, -1}, {0, 0, 1, -1, -1}}},
    // top
    {0, 1, 0, {{0, 1, -1, 1, -1}, {0, 0, -1, 1, 1}, {1, 0, 1, 1, 1}, {1, 1, 1, 1, -1}}},
    // bottom
    {0, -1, 0, {{1, 1, -1, -1, -1}, {0, 1, 1, -1, -1}, {0, 0, 1, -1, 1}, {1, 0, -1, -1, 1}}},
    // right
    {1, 0, 0, {{1, 0, 1, -1, -1}, {1, 1, 1, 1, -1}, {0, 1, 1, 1, 1}, {0, 0, 1, -1, 1}}},
    // left
    {-1, 0, 0, {{0, 0, -1, -1, -1}, {1, 0, -1, -1, 1}, {1, 1, -1, 1, 1}, {0, 1, -1, 1, -1}}},
};
} // namespace

void DrawTarget() {
    // The faces are sorted by the depth test alone; nearer is greater z here.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor4f(White.Red, White.Green, White.Blue, White.Alpha);

    // Rotate first, then stretch to 100x100 units, then move to the target's place.
    glTranslated(TargetX, TargetY, -100.0);
    glScaled(50.0, 50.0, 1.0);
    glRotated(TargetAngle, 0.0, 1.0, 0.0);

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, CrateTexture.TextureId);
    glBegin(GL_QUADS);
    for (const CubeFace& face : CubeFaces) {
        glNormal3f(face.NormalX, face.NormalY, face.NormalZ);
        for (const CubeCorner& corner : face.Corners) {
            glTexCoord2f(corner.S, corner.T);
            glVertex3f(corner.X, corner.Y, corner.Z);
        }
    }
    glEnd();

    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
    glDisable(GL_DEPTH_TEST);
}
