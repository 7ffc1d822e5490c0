#include "platform/Tga.h"

bool LoadTgaTexture(TextureImage&, std::string_view) { return false; }
