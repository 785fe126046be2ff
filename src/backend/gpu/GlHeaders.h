#pragma once
// The GL declarations of the device's own files (never included from outside
// the GPU backend). Entry points beyond GL 1.1 come straight from libGL.

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
